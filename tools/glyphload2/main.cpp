// glyphload2: writes image part 2 into the board's file "1&000000.DAT".
#include "image_writer.h"
#include "tool_run.h"
#include "writer_texts.h"

int main(int argc, char** argv) {
    if (!StartRun(argc, argv)) {
        return 1;
    }
    return FinishRun(WriteImagePart(), MSG_WRITE_COMPLETE);
}
