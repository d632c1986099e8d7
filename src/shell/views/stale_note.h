// How a view of a result is marked once the session has moved on (see
// RunView): a line above what it holds, italic, in amber, saying whose
// result it is; the content faded. Every view is marked this way.
#pragma once

#include <QLabel>
#include <initializer_list>
#include <string>

namespace vexmoor {

// The note line, hidden until there is something to say.
QLabel* makeStaleNote(QWidget* parent);

// Shows `note` in `noteLine` and fades `content` while `note` is not
// empty; an empty note hides the line and gives the content its colours
// back; null widgets are skipped. Each content widget's property "stale" says which.
void markView(QLabel& noteLine, std::initializer_list<QWidget*> content, const std::string& note);

}  // namespace vexmoor
