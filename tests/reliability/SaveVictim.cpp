// A save through the real document code that a test may kill at any moment: loads the file named
// on the command line, makes its text `size` copies of `byte`, says "ready" on standard output and
// saves. Exit status 0 when the save succeeded without a message, 1 otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/QuilloryDoc.h"
#include "support/ControlStandIn.h"
#include "support/ScriptedMessageBoxes.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE BYTE SIZE\n", argv[0]);
        return 2;
    }
    quillory::test::ScriptedMessageBoxes boxes;
    quillory::QuilloryDoc doc(boxes);
    quillory::test::ControlStandIn control(doc);
    if (!doc.loadFile(argv[1]))
        return 1;
    control.text.assign(std::strtoull(argv[3], nullptr, 10), argv[2][0]);
    control.modified = true;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    doc.onFileSave();
    return doc.saved() && boxes.shown().empty() && !control.modified ? 0 : 1;
}
