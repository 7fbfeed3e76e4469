#pragma once

#include <QWidget>

#include <functional>

class TCalculator;

// The main window's settings command: shows the dialog on the calculator's
// settings object and, on OK, copies the values back and applies them: first
// the transparency level (through ApplyTransparencyValue, which belongs to the
// window), then real-time calculation and the history limit. A confirmed clear
// refreshes the calculator's history views at once, whatever button ends the
// dialog. True when the dialog ended with OK.
bool RunSettingDialog(QWidget* Parent, TCalculator& Calculator,
                      const std::function<void(int)>& ApplyTransparencyValue);
