// Opens what `kelvane PATH` names in the main window's browser, on its
// first showing, as a user would get there: the folder (or archive) listed,
// the filter following the file's kind, the file or entry selected and
// loaded as a click on it loads it. LastDir becomes the folder shown, as
// if the program had been started there.
//
// A path that no longer names anything (the program checked it before the
// window opened) leaves the window in the current folder.
#pragma once

#include <string>

namespace kelvane {

class TMainForm;

void OpenStartPath(TMainForm& form, const std::string& nativePath);

}  // namespace kelvane
