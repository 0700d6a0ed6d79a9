#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace orlisk {

class ClickLabel;
class ImageBox;
class Screen;
class Shell;

// The maker's addresses, the same as in the program's AppStream metainfo.
inline constexpr char kHomepage[] = "www.brakmo.example/orlisk";
inline constexpr char kMailAddress[] = "orlisk@brakmo.example";

// The About window: name, version, the homepage and e-mail links, and the credit lines.
class About : public QWidget {
    Q_OBJECT
public:
    About(const Screen& screen, Shell* shell, QWidget* form1);

    QLabel* Label1;
    QLabel* Label2;
    ImageBox* Image1;
    QFrame* Line1;
    QLabel* Label5;
    ClickLabel* Label6;
    QLabel* Label9;
    ClickLabel* Label10;
    QLabel* Label3;
    QLabel* Label4;
    QFrame* Frame1;
    QPushButton* Command1;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Command1Click();
    // Hands scheme + the label's text to the system and shows the label as a visited link.
    void OpenLink(ClickLabel* label, const QString& scheme);

    Shell* m_shell;
    QWidget* m_form1;
};

} // namespace orlisk
