// Division of an image part into 1024-byte blocks.
// Blocks are byte ranges of the part, taken in place; nothing is copied.
#include "image_part.h"

int GetImageBlockCount(const ImagePart& part)
{
    if (part.size <= 0) {
        return 0;
    }
    return (part.size + IMAGE_BLOCK_SIZE - 1) / IMAGE_BLOCK_SIZE;
}

bool GetImageBlock(const ImagePart& part, int k, ImageBlock* block)
{
    int count = GetImageBlockCount(part);
    if (k < 1 || k > count || block == nullptr) {
        return false;
    }
    int offset = (k - 1) * IMAGE_BLOCK_SIZE;
    int length = part.size - offset;
    if (length > IMAGE_BLOCK_SIZE) {
        length = IMAGE_BLOCK_SIZE;
    }
    block->offset = offset;
    block->length = length;
    block->bytes = part.bytes + offset;
    return true;
}
