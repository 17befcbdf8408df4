#include <QScopeGuard>

#include "app/form1.h"
#include "convert/folder_run.h"

// Converts every picture that File1 lists to the frame's size and writes it as JPG and/or BMP
// into the output folders under the program folder. A picture that fails is set aside with its
// reason and the run goes on; one message at the end lists them all.
//
// The window's part is cheap and done first, entry by entry in list order through the
// controls: each picture's size comes from its header alone. The expensive part, decoding,
// scaling and writing, then runs on every core, several pictures at once, while a progress
// window offers to cancel. What the run leaves on the window and in the folders is what
// converting one picture after another would leave.
void Form1::ConvertFolder() {
    if (running_) return;  // one run at a time, however the second was asked for
    running_ = true;
    const auto done = qScopeGuard([this] { running_ = false; });
    convert::FolderRun(*this, jpegWriter_, system_).run();
}
