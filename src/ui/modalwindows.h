#pragma once

namespace ui {

// Answers every open modal window and pop-up menu as Esc would, innermost first, so that their
// event loops return: a message box takes its escape button (the replace question's いいえ),
// any other dialog is rejected. Nothing is confirmed on the user's behalf.
void DismissModalWindows();

} // namespace ui
