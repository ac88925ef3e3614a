// The verifier's own console texts, Shift_JIS like the shared ones.
#pragma once

#include "console_texts.h"

inline constexpr char MSG_READ_DATA_COMMAND[] = "(READ) DATA COMMAND --> ";
inline constexpr char MSG_DUMP_END_LONG[] = ".....\t";
inline constexpr char MSG_DUMP_END_SHORT[] = "\t";
inline constexpr char MSG_VERIFY_OK[] = "VERIFY : OK\n";
inline constexpr char MSG_VERIFY_NG[] = "VERIFY : NG\n";
// "COMMAND NO. ERROR(パソコン側で検出)\n"
inline constexpr char MSG_COMMAND_NO_ERROR[] =
    "COMMAND NO. ERROR(" SJIS_DETECTED_ON_PC ")\n";
// "***** 漢字べりファイ : OK *****\n": kanji verify OK.
inline constexpr char MSG_VERIFY_BANNER[] =
    "***** \x8a\xbf\x8e\x9a\x82\xd7\x82\xe8\x83\x74\x83\x40\x83\x43 : OK *****\n";
