#pragma once

#include <cstdint>

class QWidget;

namespace vb {

// A child control's place and size in twips, relative to its parent.
std::int32_t ctlLeft(const QWidget* control);
std::int32_t ctlTop(const QWidget* control);
std::int32_t ctlWidth(const QWidget* control);
std::int32_t ctlHeight(const QWidget* control);

// Property writes in twips. A value that is not a number, lies beyond what a
// window can take, or is a negative size is refused: the call returns false
// and the control keeps its place and size.
bool ctlSetLeft(QWidget* control, double left);
bool ctlSetTop(QWidget* control, double top);
bool ctlSetWidth(QWidget* control, double width);
bool ctlSetHeight(QWidget* control, double height);
// All four at once; when one value is refused nothing changes.
bool ctlMove(QWidget* control, double left, double top, double width, double height);

} // namespace vb
