#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;

namespace orlisk {

class Form1;
class Screen;
class ImageBox;
class PictureBox;
class Shape;
class LineControl;
class GlyphLabel;

// The fullscreen window. Besides showing the picture it holds the viewer's shared state: the
// picker names the camera every refresh fetches, Picture1 the working copy of the last picture,
// and the hidden labels the marks the windows exchange.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(const Screen& screen, QWidget* parent = nullptr);

    const Screen& ScreenInfo() const { return m_screen; }
    double WidthTwips() const;
    double HeightTwips() const;
    void SetSizeTwips(double width, double height);

    // The main window whose picture, address, blur switch and status bar the timers serve.
    void SetMainWindow(Form1* form1) { m_form1 = form1; }

    // A control's rectangle in twips, and placing it there.
    QRectF Twips(const QWidget* control) const;
    void SetTwips(QWidget* control, const QRectF& twips);

    // The two panel layouts: the picker on its bar, or only half of the tab at the right edge.
    void ExpandPanel();
    void CollapsePanel();
    void SetPickerBackground(const QColor& color);

    // Back to the main window: a double click on the window or its pictures, or Esc.
    void LeaveFullscreen();

    // Nothing here polls. Whoever changes what the mode switch and the picture step look at
    // (the picture and its mark, the error state, the address, the blur switch, the status
    // line) calls this, and both run once as soon as the event loop is free.
    void StateChanged();
    // The end of a refresh: the state changed, and the camera change check looks again a second
    // later.
    void Refreshed();

    void Command1Click();
    void Combo1Click();
    // Camera change check, a second after a camera was chosen or a refresh ended: a choice the
    // last refresh did not fetch makes the picture new and drops "data.dat".
    void Timer1Timer();
    // Blinks the error number.
    void Timer2Timer();
    // Switches between the picture and the test picture with the error.
    void Timer3Timer();
    // Puts a new picture on screen in both windows, blurred once when the blur is on, and
    // copies the status line to the main window.
    void Timer4Timer();

    QComboBox* Combo1;
    Shape* Shape1;
    Shape* Shape2;
    LineControl* Line1;
    ImageBox* Image3;
    ImageBox* TestBild;
    PictureBox* Picture1;
    Shape* Shape3;
    Shape* Shape4;
    Shape* Shape5;
    Shape* Shape6;
    QLabel* Label5;
    QLabel* Label4;
    QLabel* Label2;
    QLabel* Label3;
    ImageBox* Image2;
    GlyphLabel* Command1;
    QLabel* Label1;
    QLabel* Label7;
    QLabel* Label8;
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;
    QTimer* Timer4;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetToggleColours(const QColor& text, const QColor& ground);
    void PlaceExpandedPanel();

    const Screen& m_screen;
    Form1* m_form1 = nullptr;
    // The picture the blur last produced: a picture that is already blurred (the refresh hands
    // the shown picture back as the working copy) is not blurred again.
    qint64 m_blurred = 0;
};

} // namespace orlisk
