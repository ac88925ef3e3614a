// Console texts shared by the three tools, stored as Shift_JIS (code page
// 932) bytes and written unchanged. Adjacent literals keep a hex escape from
// running into the text after it.
#pragma once

// "パソコン側で検出": detected on the PC side.
#define SJIS_DETECTED_ON_PC "\x83\x70\x83\x5c\x83\x52\x83\x93\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f"

// "CRC ERROR(パソコン側で検出)\n"
inline constexpr char MSG_CRC_ERROR[] = "CRC ERROR(" SJIS_DETECTED_ON_PC ")\n";
// "BLOCK NO. ERROR(パソコン側で検出)\n"
inline constexpr char MSG_BLOCK_NO_ERROR[] = "BLOCK NO. ERROR(" SJIS_DETECTED_ON_PC ")\n";
// "ERROR(CPU側で検出：%s)\n", with the board's text for %s.
inline constexpr char MSG_CPU_ERROR[] = "ERROR(CPU\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f\x81\x46" "%s)\n";
// "***** エラーです *****\n"
inline constexpr char MSG_FAILURE_BANNER[] = "***** \x83\x47\x83\x89\x81\x5b\x82\xc5\x82\xb7 *****\n";
inline constexpr char MSG_PRESS_ANY_KEY[] = "***** Press any key *****\n";
