#include "platform/Controls.h"

#include "platform/Screen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

// Resources of a static library are not registered on their own.
static void InitOrliskResources() {
    Q_INIT_RESOURCE(orlisk);
}

namespace orlisk {

void InitResources() {
    static const bool done = (InitOrliskResources(), true);
    (void)done;
}

namespace {
const char* const kTwipsProperty = "twipsRect";
} // namespace

void PlaceTwips(QWidget* control, const Screen& screen, double left, double top, double width,
                double height) {
    PlaceTwips(control, screen, QRectF(left, top, width, height));
}

void PlaceTwips(QWidget* control, const Screen& screen, const QRectF& twips) {
    control->setProperty(kTwipsProperty, twips);
    control->setGeometry(screen.ToPixels(twips.left()), screen.ToPixels(twips.top()),
                         screen.ToPixels(twips.width()), screen.ToPixels(twips.height()));
}

QRectF TwipsOf(const QWidget* control, const Screen& screen) {
    const QVariant stored = control->property(kTwipsProperty);
    if (stored.isValid())
        return stored.toRectF();
    const QRect g = control->geometry();
    return QRectF(screen.ToTwips(g.x()), screen.ToTwips(g.y()), screen.ToTwips(g.width()),
                  screen.ToTwips(g.height()));
}

QString GlyphFor(const QString& caption) {
    if (caption == QStringLiteral("4"))
        return QString(QChar(0x25B6)); // right-pointing triangle
    if (caption == QStringLiteral("3"))
        return QString(QChar(0x25C0)); // left-pointing triangle
    if (caption == QStringLiteral("q"))
        return QString(QChar(0x21BB)); // clockwise open circle arrow
    return caption;
}

ImageBox::ImageBox(const Screen& screen, QWidget* parent) : QWidget(parent), m_screen(screen) {}

void ImageBox::SetPicture(const QImage& picture) {
    // The picture timer hands the same picture over again and again: nothing to redo then.
    if (picture.cacheKey() == m_picture.cacheKey())
        return;
    m_picture = picture;
    m_scaled = QImage();
    if (!m_stretch)
        SetStretch(false);
    update();
}

void ImageBox::SetStretch(bool stretch) {
    m_stretch = stretch;
    if (!stretch && !m_picture.isNull())
        SetTwips(QRectF(m_twips.left(), m_twips.top(), m_screen.ToTwips(m_picture.width()),
                        m_screen.ToTwips(m_picture.height())));
    update();
}

void ImageBox::SetTwips(const QRectF& rect) {
    m_twips = rect;
    PlaceTwips(this, m_screen, rect.left(), rect.top(), rect.width(), rect.height());
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    if (m_stretch) {
        if (m_scaled.size() != size())
            m_scaled = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(QPoint(0, 0), m_scaled);
    } else {
        painter.drawImage(QPoint(0, 0), m_picture);
    }
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void PictureBox::SetPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_picture);
}

Shape::Shape(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {}

void Shape::SetFillColor(const QColor& color) {
    m_fill = color;
    update();
}

void Shape::SetBorderColor(const QColor& color) {
    m_border = color;
    update();
}

void Shape::SetDrawMode(int mode) {
    m_drawMode = mode;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_drawMode == 15)
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    else
        painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(m_border);
    painter.setBrush(m_fill);
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (m_kind) {
    case Kind::Rectangle:
        painter.drawRect(r);
        break;
    case Kind::Oval:
        painter.drawEllipse(r);
        break;
    case Kind::Circle: {
        const double d = std::min(r.width(), r.height());
        painter.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
        break;
    }
    }
}

void LineControl::SetColor(const QColor& color) {
    m_color = color;
    update();
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_color);
    painter.drawLine(0, height() / 2, width(), height() / 2);
}

GlyphLabel::GlyphLabel(const QString& caption, QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    SetCaption(caption);
}

void GlyphLabel::SetCaption(const QString& caption) {
    m_caption = caption;
    setText(GlyphFor(caption));
}

void GlyphLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit Click();
    QLabel::mouseReleaseEvent(event);
}

void GlyphLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

GlyphButton::GlyphButton(const QString& caption, QWidget* parent) : QPushButton(parent) {
    SetCaption(caption);
}

void GlyphButton::SetCaption(const QString& caption) {
    m_caption = caption;
    setText(GlyphFor(caption));
}

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {m_up, m_down}) {
        button->setArrowType(button == m_up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setIconSize(QSize(7, 7));
        layout->addWidget(button);
    }
    m_up->setObjectName(QStringLiteral("UpButton"));
    m_down->setObjectName(QStringLiteral("DownButton"));
    connect(m_up, &QToolButton::clicked, this, [this] { StepUp(); });
    connect(m_down, &QToolButton::clicked, this, [this] { StepDown(); });
}

void UpDown::SetValue(int value) {
    value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    emit Change();
}

void UpDown::SetRange(int min, int max) {
    m_min = min;
    m_max = max;
    m_value = std::clamp(m_value, m_min, m_max);
}

void UpDown::Step(int delta) {
    if (m_buddyValue)
        m_value = std::clamp(m_buddyValue(), m_min, m_max);
    SetValue(m_value + delta);
}

int SortedListBox::AddItem(const QString& text) {
    int low = 0;
    int high = count();
    while (low < high) {
        const int mid = (low + high) / 2;
        const QString other = item(mid)->text();
        int order = other.compare(text, Qt::CaseInsensitive);
        if (order == 0)
            order = other.compare(text, Qt::CaseSensitive);
        if (order <= 0)
            low = mid + 1;
        else
            high = mid;
    }
    insertItem(low, text);
    return low;
}

} // namespace orlisk

namespace orlisk {

void UseDialogFont(QWidget* window) {
    QFont dialogFont = window->font();
    dialogFont.setPointSizeF(8);
    dialogFont.setStretch(QFont::SemiCondensed);
    window->setFont(dialogFont);
}

void ShowInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void CentreIn(QWidget* window, const QRect& area) {
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}

bool PressOnEnter(QKeyEvent* event, QPushButton* defaultButton) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
    QPushButton* button = focused ? focused : defaultButton;
    if (!button || !button->isEnabled())
        return false;
    button->click();
    return true;
}

CaretRest::CaretRest(QObject* parent, int restMs)
    : QObject(parent), m_rest(new QTimer(this)), m_flashTime(QApplication::cursorFlashTime()) {
    m_rest->setSingleShot(true);
    m_rest->setInterval(restMs);
    connect(m_rest, &QTimer::timeout, this, [] { QApplication::setCursorFlashTime(0); });
    m_rest->start();
    qApp->installEventFilter(this);
}

CaretRest::~CaretRest() {
    QApplication::setCursorFlashTime(m_flashTime);
}

bool CaretRest::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
        if (QApplication::cursorFlashTime() != m_flashTime)
            QApplication::setCursorFlashTime(m_flashTime);
        m_rest->start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool PressOnEscape(QKeyEvent* event, QPushButton* cancelButton) {
    if (event->key() != Qt::Key_Escape || !cancelButton->isEnabled())
        return false;
    cancelButton->click();
    return true;
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
    QLabel::mouseReleaseEvent(event);
}

} // namespace orlisk
