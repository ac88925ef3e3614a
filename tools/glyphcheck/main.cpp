// glyphcheck1 / glyphcheck2: read an image part back from the board and
// verify it. One source, built once per image part (CHECKED_IMAGE_PART).
#include "image_verifier.h"
#include "tool_run.h"
#include "verifier_texts.h"

bool VerifyImagePart() {
    return VerifyPart(CHECKED_IMAGE_PART);
}

int main(int argc, char** argv) {
    if (!StartRun(argc, argv)) {
        return 1;
    }
    return FinishRun(VerifyImagePart(), MSG_VERIFY_BANNER);
}
