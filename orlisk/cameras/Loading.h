#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

namespace orlisk {

class ImageBox;
class Screen;

// The marquee's window on its source text: the 18 characters from position (1-based), fewer or
// none near the end.
QString MarqueeText(const QString& source, int position);

// The splash window: a picture with a scrolling "Loading..." line. One second after start it
// loads the main window, places it at the top left of the screen and shows it; the main window
// hides the splash at the end of its loading.
class Loading : public QWidget {
    Q_OBJECT
public:
    explicit Loading(const Screen& screen, QWidget* parent = nullptr);

    // load runs the main window's loading, which ends by hiding this window.
    void SetMainWindow(QWidget* form1, std::function<void()> load);

    void Timer2Timer();
    void Timer1Timer();

    ImageBox* Picture;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label1;
    QTimer* Timer2;
    QTimer* Timer1;

private:
    QWidget* m_form1 = nullptr;
    std::function<void()> m_load;
};

} // namespace orlisk
