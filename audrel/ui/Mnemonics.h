#pragma once

class QWidget;

// Alt plus the underlined letter of a button of `window` presses the button at once. Qt shows
// such a press for 100 ms before it acts, which delays a search by as long.
void PressButtonsAtOnceByMnemonic(QWidget* window);
