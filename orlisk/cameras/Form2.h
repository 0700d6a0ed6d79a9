#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;

namespace orlisk {

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
    // Every 1 ms timer of the design ticks at the platform's coarse granularity instead.
    static constexpr int kFastTickMs = 15;

    explicit Form2(const Screen& screen, QWidget* parent = nullptr);

    const Screen& ScreenInfo() const { return m_screen; }
    double WidthTwips() const;
    double HeightTwips() const;
    void SetSizeTwips(double width, double height);

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

private:
    const Screen& m_screen;
};

} // namespace orlisk
