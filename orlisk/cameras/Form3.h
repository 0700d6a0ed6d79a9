#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QComboBox;
class QPushButton;
class QTimer;

namespace orlisk {

class CamLists;
class Form4;
class MessageBoxes;
class Screen;
class SortedListBox;

// What the camera list dialogs reach in the other windows: the main window and its picker, the
// fullscreen window's picker, the camera list and the message boxes.
struct CamDialogLinks {
    QWidget* form1 = nullptr;
    QComboBox* form1Combo = nullptr;
    QComboBox* form2Combo = nullptr;
    CamLists* cams = nullptr;
    MessageBoxes* boxes = nullptr;
    // Tells the main window at once that the last camera is gone, so its frame does not keep
    // the removed camera's picture until the next refresh.
    std::function<void()> listEmptied;
};

// Why a change of the camera list was not made: the list is missing, cannot be read, or could
// not be rewritten. verb is what was not done ("edited", "removed", "saved"); reason, when
// known, says why the file could not be read or rewritten.
enum class ListProblem { Missing, Unreadable, NotRewritten };
QString ListProblemText(ListProblem problem, const QString& description, const QString& verb,
                        const QString& reason = QString());
// Shows such a text in a message box with the exclamation icon.
void TellProblem(MessageBoxes* boxes, QWidget* parent, const QString& text, const QString& title);

// The camera list dialog. Its List1 is the master copy of the camera descriptions.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(const Screen& screen, QWidget* parent = nullptr);
    ~Form3() override;

    // Called once by the main window, which is made after this dialog.
    void Attach(const CamDialogLinks& links) { m_links = links; }
    const CamDialogLinks& Links() const { return m_links; }
    const Screen& ScreenInfo() const { return m_screen; }
    // The add/edit dialog while it exists (it is made on first use and goes when closed).
    Form4* CurrentForm4() const;
    // The selected description, empty without a selection.
    QString SelectedDescription() const;
    // Selects the row and runs List1's click, as setting the list's index does.
    void SelectRow(int row);
    // Shows the dialog; until its Ok the list always shows a selection.
    void Open();

    SortedListBox* List1;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command2;
    QPushButton* Command4;
    QTimer* Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Timer1Timer();
    void List1Click();
    void Command1Click();
    void Command3Click();
    void Command2Click();
    void Command4Click();
    Form4& TheForm4();
    // False, after saying why, when "Cams.inf" is missing or cannot be read.
    bool ListReadable(const QString& description, const QString& verb, const QString& title);

    const Screen& m_screen;
    CamDialogLinks m_links;
    QPointer<Form4> m_form4;
    bool m_open = false;
};

} // namespace orlisk
