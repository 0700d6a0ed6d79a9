#pragma once

#include "cameras/CamList.h"
#include "platform/Platform.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTimer;

namespace orlisk {

class About;
class CaretRest;
class Form2;
class Form3;
class GlyphButton;
class ImageBox;
class Shape;
class UpDown;

// The main window: the camera picture in its frame, the picker, the two intervals, and the
// refresh cycle that downloads the chosen camera's picture.
class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(Platform& platform, Form2& form2, Form3& form3, CamListStore& store,
          QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: colour depth check, screen size for Form2, camera lists, random start camera,
    // the first refresh. Runs before the window is shown.
    void FormLoad();
    // The refresh cycle (Timer1's tick, start-up and the reload button).
    void Timer1Timer();
    // Downloads one picture and shows it in both windows, or shows why it failed.
    void GetRESOURCE(const QString& address);
    // The automatic camera change.
    void Timer2Timer();
    // Says in the frame, instead of a picture, that the camera list is empty and how to add a
    // camera, or why the list cannot be read. The refresh shows it whenever the lists are empty,
    // so nothing is ever fetched without a camera.
    void ShowNoCameras();
    // The hand-over to the fullscreen window, when this window becomes maximized.
    void EnterFullscreen();
    // Lays out Form2's panel as its toggle's caption says: "4" expanded, else collapsed.
    void Ueberpruefen();

    CamLists& Cams() { return *m_cams; }
    // The splash window that the end of the loading hides.
    void SetSplash(QWidget* splash) { m_splash = splash; }
    // The About window while it exists (it is made on first use).
    About* AboutWindow() const { return m_about; }

    QLabel* Label4;
    Shape* Shape1;
    ImageBox* ImagNT1;
    ImageBox* Image1;
    ImageBox* Image2;
    QLabel* Label2;
    QLabel* Label3;
    QComboBox* Combo1;
    QPushButton* Command1;
    GlyphButton* Command2;
    QLineEdit* Text1;
    UpDown* UpDown1;
    QLabel* Label1;
    QCheckBox* Check1;
    QLineEdit* Text2;
    QCheckBox* Check2;
    QStatusBar* StatusBar1;
    QLineEdit* Text3;
    QLabel* BlurEffect;
    QLabel* Label5;
    QTimer* Timer1;
    QTimer* Timer2;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Combo1Click();
    void Command1Click();
    void Image2Click();
    void ImagNT1DblClick();
    void Check1Click();
    void Check2Click();
    void Command2Click();
    void Text1Change();
    void Text2Change();
    void UpDown1Change();
    void FormQueryUnload();
    void DataFileName(QString& name) const;
    void ShowFailure(int number, const QString& description);
    // The error or notice labels over the frame, with the whole text as the frame's tool tip.
    void ShowInFrame(const QString& heading, const QString& text);
    void ClearFrameTip();

    Platform& m_platform;
    Form2& m_form2;
    Form3& m_form3;
    CamListStore& m_store;
    std::unique_ptr<CamLists> m_cams;
    QWidget* m_splash = nullptr;
    About* m_about = nullptr;
    bool m_placed = false;
    std::unique_ptr<CaretRest> m_caretRest;
};

} // namespace orlisk
