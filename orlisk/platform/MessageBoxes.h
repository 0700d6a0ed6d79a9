#pragma once

#include <QString>

class QWidget;

namespace orlisk {

// Message boxes behind an interface, so tests answer them without anything modal.
class MessageBoxes {
public:
    enum class Icon { Critical, Question, Exclamation, Information };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;
    virtual Answer Show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                        Buttons buttons, Answer defaultButton) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    Answer Show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                Buttons buttons, Answer defaultButton) override;
};

} // namespace orlisk
