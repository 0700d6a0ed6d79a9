#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orlisk {

class Form3;

// The add/edit dialog of one camera: its description and the address of its still image.
class Form4 : public QWidget {
    Q_OBJECT
public:
    // Opens on top of the camera list dialog, which makes it on first use.
    explicit Form4(Form3& form3);

    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label2;
    QLineEdit* Text2;
    QFrame* Frame1;
    QPushButton* Command2;
    QPushButton* Command1;
    // The mode: "0" adding, "1" editing the selected camera of the list.
    QLabel* Label3;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Command1Click();
    void Command2Click();
    // False, after saying which, when a field the list cannot do without is blank.
    bool FieldsFilled();

    Form3& m_form3;
};

} // namespace orlisk
