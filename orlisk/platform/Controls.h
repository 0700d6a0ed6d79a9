#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRectF>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QTimer;
class QToolButton;

namespace orlisk {

class Screen;

// Registers the pictures built into the program (icons, test picture); safe to call again.
void InitResources();

// Places a control at a position given in twips. The control remembers the unrounded
// rectangle, so layouts that compute one position from another do not add up rounding.
void PlaceTwips(QWidget* control, const Screen& screen, double left, double top, double width,
                double height);
void PlaceTwips(QWidget* control, const Screen& screen, const QRectF& twips);
// The rectangle a control was last placed at in twips (from its pixels if it never was).
QRectF TwipsOf(const QWidget* control, const Screen& screen);

// The glyph drawn for a symbol-font caption ("4" right, "3" left, "q" reload).
QString GlyphFor(const QString& caption);

// An image control: shows its picture at its own size or stretched over its rectangle. It keeps
// its rectangle in twips, so the fitting arithmetic works on unrounded numbers. A stretched
// picture is scaled once per picture and size, not on every paint.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    ImageBox(const Screen& screen, QWidget* parent);
    const QImage& Picture() const { return m_picture; }
    void SetPicture(const QImage& picture);
    bool Stretch() const { return m_stretch; }
    // Stretching off: the control takes the picture's own size.
    void SetStretch(bool stretch);
    QRectF Twips() const { return m_twips; }
    void SetTwips(const QRectF& rect);

signals:
    void Click();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const Screen& m_screen;
    QImage m_picture;
    QImage m_scaled;
    bool m_stretch = false;
    QRectF m_twips;
};

// A hidden holder of a picture (the working copy the blur rewrites).
class PictureBox : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    QImage& Picture() { return m_picture; }
    const QImage& Picture() const { return m_picture; }
    void SetPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

// A drawn shape: rectangle, oval or circle with a fill and a border.
class Shape : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Rectangle, Oval, Circle };
    Shape(Kind kind, QWidget* parent);
    QColor FillColor() const { return m_fill; }
    void SetFillColor(const QColor& color);
    QColor BorderColor() const { return m_border; }
    void SetBorderColor(const QColor& color);
    // 13 paints the shape over what lies below, 15 combines it with that by bitwise OR.
    int DrawMode() const { return m_drawMode; }
    void SetDrawMode(int mode);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QColor m_fill = Qt::black;
    QColor m_border = Qt::black;
    int m_drawMode = 13;
};

// A horizontal line.
class LineControl : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color = Qt::white;
};

// A label with a symbol-font caption: the caption is the state, the arrow is what is drawn.
class GlyphLabel : public QLabel {
    Q_OBJECT
public:
    GlyphLabel(const QString& caption, QWidget* parent);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A quick second click is a click of its own, not a double click for the window below.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString m_caption;
};

class GlyphButton : public QPushButton {
    Q_OBJECT
public:
    GlyphButton(const QString& caption, QWidget* parent);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

private:
    QString m_caption;
};

// An up-down spinner beside a text box. A click first takes the buddy's number, as the
// spinner does when it keeps its buddy's text in step, then steps it within Min..Max.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent);
    int Value() const { return m_value; }
    void SetValue(int value);
    void SetRange(int min, int max);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    void SetBuddyValue(std::function<int()> buddyValue) { m_buddyValue = std::move(buddyValue); }
    void StepUp() { Step(+1); }
    void StepDown() { Step(-1); }

signals:
    void Change();

private:
    void Step(int delta);

    QToolButton* m_up;
    QToolButton* m_down;
    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
    std::function<int()> m_buddyValue;
};

// A sorted list box: items stay in ascending alphabetical order (letter case folded, ties in
// plain order) whatever the order they are added in.
class SortedListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    int AddItem(const QString& text);
};

} // namespace orlisk

namespace orlisk {

// The small 8-point dialog font the windows were laid out for.
void UseDialogFont(QWidget* window);

// Shows a window in front of the others, with the keyboard focus.
void ShowInFront(QWidget* window);

// Moves a window so that it sits in the middle of area.
void CentreIn(QWidget* window, const QRect& area);

// Enter in a window: a focused button is pressed, otherwise the default button. True when a
// button was pressed.
bool PressOnEnter(QKeyEvent* event, QPushButton* defaultButton);
// Esc in a dialog presses its cancel (or closing) button. True when it was pressed.
bool PressOnEscape(QKeyEvent* event, QPushButton* cancelButton);

// Lets a text box's caret stop blinking after `restMs` without keys or clicks, as desktops do,
// and blink again at the next one: a blinking caret wakes the program twice a second for as long
// as a box keeps the focus. Watches the whole application once made.
class CaretRest : public QObject {
    Q_OBJECT
public:
    explicit CaretRest(QObject* parent, int restMs = 10000);
    ~CaretRest() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer* m_rest;
    int m_flashTime;
};

// A label that reports a click on it.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace orlisk
