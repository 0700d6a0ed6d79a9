#pragma once

#include <QLabel>
#include <QStringList>

namespace orlisk {

// A label whose text wraps inside its rectangle: between words where it can, inside a word that
// is wider than the label (a long address), so no line is ever cut at its sides. What does not
// fit below ends in an ellipsis; text() keeps the whole text.
class WrapLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The lines as they are painted.
    QStringList Lines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orlisk
