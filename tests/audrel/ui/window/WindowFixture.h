#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <cstdlib>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "../UiFakes.h"
#include "ResultModel.h"
#include "uMain.h"

// Runs the event loop until the condition holds or the time is up. A pass may serve events for
// as long as new ones keep coming, so a fast search can run to its end between two looks.
inline bool WaitFor(const std::function<bool()>& condition, int msec = 20000) {
    return QTest::qWaitFor(condition, msec);
}

// The folder of sample MP3s shipped with the program (made by real encoders and taggers).
inline QString SamplesFolder() {
    const char* fixtures = std::getenv("TEST_FIXTURES");
    return QDir::cleanPath(QString::fromLocal8Bit(fixtures ? fixtures : ".") +
                           QStringLiteral("/../../audrel/samples")) +
           u'/';
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
    void TearDown() override {
        if (form)
            form->close();
        form.reset();
    }

    TAudrelForm& Start() {
        form = std::make_unique<TAudrelForm>(settings, dialogs, desktop);
        form->show();
        return *form;
    }
    // Closes the window as the user would and opens a new one on the same settings.
    TAudrelForm& Restart() {
        EXPECT_TRUE(form->close());
        form.reset();
        return Start();
    }

    void Search(const QString& folder) {
        form->cbFolder->setEditText(folder);
        QTest::mouseClick(form->bStart, Qt::LeftButton);
        ASSERT_TRUE(form->Searching() ||
                    form->StatusText().startsWith(QStringLiteral("Processed")));
        ASSERT_TRUE(WaitFor([&] { return !form->Searching(); }));
    }

    QStringList Column(int column) const {
        QStringList texts;
        for (const TListRow& row : form->ListModel()->Rows())
            texts.append(TResultModel::DisplayText(row, column));
        return texts;
    }

    void ClickHeader(int column) {
        QHeaderView* header = form->ListView->header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    MemorySettings settings;
    ScriptedDialogs dialogs;
    CountingDesktop desktop;
    std::unique_ptr<TAudrelForm> form;
};
