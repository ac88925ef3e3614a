// Every block of both image parts through the link layer's codec: the DATA
// frame built from it stuffs within FRAME_BUFFER_SIZE, to 8 + p + its escaped
// payload and FCS bytes, and comes back whole from UnstuffFrame with a right FCS.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "frame_codec.h"
#include "image_part.h"

namespace {

TEST(GlyphImageFrames, EveryBlockStuffsWithinTheBufferAndComesBack)
{
    for (const ImagePart* part : {&IMAGE_PART1, &IMAGE_PART2}) {
        int longest = 0;
        for (int k = 1; k <= GetImageBlockCount(*part); ++k) {
            ImageBlock b{};
            ASSERT_TRUE(GetImageBlock(*part, k, &b));
            uint8_t frame[FRAME_BUFFER_SIZE];
            int n = BuildDataFrame(frame, static_cast<uint16_t>(k), b.bytes, b.length);
            ASSERT_EQ(n, FRAME_OVERHEAD + b.length);
            int escaped = 0;
            for (int i = 1; i <= n - 2; ++i) {
                escaped += frame[i] == FLAG_BYTE || frame[i] == ESCAPE_BYTE;
            }
            int m = StuffFrame(frame, n);
            ASSERT_EQ(m, n + escaped) << part->fileName << " block " << k;
            ASSERT_LE(m, FRAME_BUFFER_SIZE);
            if (m > longest) longest = m;
            ASSERT_EQ(UnstuffFrame(frame, m), n);
            ASSERT_TRUE(CheckFcs(frame, n));
            ASSERT_EQ(GetBlockNumber(frame), k);
            int p = -1;
            const uint8_t* payload = GetDataPayload(frame, n, &p);
            ASSERT_EQ(p, b.length);
            ASSERT_EQ(std::memcmp(payload, b.bytes, p), 0);
        }
        RecordProperty(std::string(part->fileName) + " longest stuffed frame", longest);
    }
}

}  // namespace
