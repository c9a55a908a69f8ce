#pragma once

namespace gadget {

// Makes each window of class frmMain one accessible element: a window whose name and
// description (its accessibleName and accessibleDescription) say everything the face shows, with
// no children, so that screen readers do not read the face's text fragments one by one in
// arbitrary order. Call once the application object exists; calling again does nothing.
void RegisterFaceAccessible();

} // namespace gadget
