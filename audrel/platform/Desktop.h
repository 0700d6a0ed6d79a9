#pragma once

class QWidget;

// Desktop services of the windows that tests replace.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Draws the user's attention to the window (the task bar entry flashes) for msec.
    virtual void Flash(QWidget* window, int msec) = 0;
};

class QtDesktop : public Desktop {
public:
    void Flash(QWidget* window, int msec) override;
};
