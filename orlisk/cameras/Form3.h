#pragma once

#include <QWidget>

class QPushButton;
class QTimer;

namespace orlisk {

class Screen;
class SortedListBox;

// The camera list dialog. Its List1 is the master copy of the camera descriptions.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(const Screen& screen, QWidget* parent = nullptr);

    SortedListBox* List1;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command2;
    QPushButton* Command4;
    QTimer* Timer1;
};

} // namespace orlisk
