// The writer's own console texts, Shift_JIS like the shared ones.
#pragma once

#include "console_texts.h"

// "***** 再送信中 *****\n": retransmitting.
inline constexpr char MSG_RESENDING[] = "***** \x8d\xc4\x91\x97\x90\x4d\x92\x86 *****\n";
// "***** 漢字書き込み完了 *****\n": kanji writing complete.
inline constexpr char MSG_WRITE_COMPLETE[] =
    "***** \x8a\xbf\x8e\x9a\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x8a\xae\x97\xb9 *****\n";
// "FRAME SIZE ERROR(パソコン側で検出)\n": a block whose stuffed frame would not
// fit the frame buffer; sending it cut short would corrupt the board's file.
inline constexpr char MSG_FRAME_SIZE_ERROR[] =
    "FRAME SIZE ERROR(" SJIS_DETECTED_ON_PC ")\n";
inline constexpr char MSG_ACK_LINE_START[] = "ACK --> ";
