// The console's unattended run ("-Auto"): every step, no window, no question.
#pragma once

namespace suite::console {

// Exit status 0 only when every step that started ended by itself with status 0.
int RunAuto();

}  // namespace suite::console
