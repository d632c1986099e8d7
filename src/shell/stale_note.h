// The line a results view shows above what it holds once the data have
// changed since: italic, in amber, hidden until there is something to say.
#pragma once

#include <QLabel>

namespace vexmoor {

QLabel* makeStaleNote(QWidget* parent);

}  // namespace vexmoor
