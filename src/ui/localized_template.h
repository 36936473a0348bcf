// A dialog template in the language in use: its caption and every control
// text through the text lookup, positions and sizes as they are (a
// translation fits its control; it never resizes one).
#pragma once

#include "ui/dialog_template.h"

namespace tr58k {

// `source` itself when no catalogue is in use; otherwise its copy for the
// catalogue in use, made once and kept for the life of the program (a
// dialog made from it may outlive a change of language). `source` must
// live as long as the program.
const DialogTemplate& LocalizedTemplate(const DialogTemplate& source);

}  // namespace tr58k
