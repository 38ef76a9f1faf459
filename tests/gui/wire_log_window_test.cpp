// The "Wire log" window over the console linked to the in-process controller: F12 opens it, the
// exchange shows named, and pause, filter and save do what they say.
#include "gui/main/wire_log_window.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmorix;
using namespace velmorix::test;

namespace {

class WireLogWindowTest : public WindowOnSimulator {
protected:
    // The rows' directions and names as the window shows them.
    QStringList shown() {
        QStringList out;
        const WireLogModel& m = form.wireLogWindow()->model();
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.index(r, WireLogModel::Direction).data().toString() + " " +
                       m.index(r, WireLogModel::Frame).data().toString();
        return out;
    }
};

TEST_F(WireLogWindowTest, F12ShowsTheExchangeNamed) {
    form.start({"--simulator", "142720", "GO"});
    form.show();
    QApplication::setActiveWindow(&form);
    clock.advance(350);
    QTest::keyClick(&form, Qt::Key_F12);
    WireLogWindow* window = form.wireLogWindow();
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    window->refresh();
    const QStringList rows = shown();
    ASSERT_GE(rows.size(), 6) << qPrintable(rows.join('\n'));
    EXPECT_TRUE(rows[0].startsWith("--- open simulator 38400,E,7,2 at ")) << qPrintable(rows[0]);
    EXPECT_EQ("--- " + window->model().index(0, WireLogModel::Frame).data(Qt::ToolTipRole).toString(),
              rows[0]);
    EXPECT_EQ(rows.mid(1, 2), (QStringList{"--- CTS on", "--- DSR on"}));
    EXPECT_EQ(rows[3], ">>> link reset");
    EXPECT_TRUE(rows[4].startsWith(">>> monitor request seq 1, ")) << qPrintable(rows[4]);
    EXPECT_TRUE(rows.filter(QRegularExpression("^<<< status frame seq 1, N=\\d+$")).size() >= 1)
        << qPrintable(rows.join('\n'));
    const WireLogModel& m = window->model();
    // A row shows the first 16 bytes of its piece; all of them are in it.
    EXPECT_EQ(m.index(3, WireLogModel::Hex).data().toString(),
              "02 02 02 02 02 14 12 25 0D 4F 39 30 30 30 0D 4E …");
    EXPECT_EQ(m.index(3, WireLogModel::Text).data().toString(), ".......%.O9000.N…");
    EXPECT_EQ(m.row(3).bytes,
              QByteArray("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03"));

    // Read only: no row of the console's own.
    window->findChild<QComboBox*>("ComboBoxDirection")->setCurrentIndex(2);
    EXPECT_TRUE(shown().filter(">>>").isEmpty());
    EXPECT_FALSE(shown().filter("<<< status frame").isEmpty());

    // Paused, nothing new comes in; resumed, what came meanwhile does.
    window->setPaused(true);
    const qsizetype before = shown().size();
    clock.advance(500);
    window->refresh();
    EXPECT_EQ(shown().size(), before);
    window->setPaused(false);
    EXPECT_GT(shown().size(), before);

    const QString path = QDir(dir.path()).filePath("saved.txt");
    QString why;
    ASSERT_TRUE(window->save(path, &why)) << qPrintable(why);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(text.contains(QRegularExpression(" ms  <<<  status frame seq \\d, N=\\d+\\n +12 25 0D 4F")))
        << qPrintable(text.left(600));
    EXPECT_FALSE(window->save(dir.path() + "/no/such/dir/x.txt", &why));
    EXPECT_TRUE(why.startsWith("Cannot write ")) << qPrintable(why);

    window->clear();
    EXPECT_EQ(window->model().rowCount(), 0);
    clock.advance(300);
    window->refresh();
    EXPECT_GT(window->model().rowCount(), 0);
    EXPECT_TRUE(shown().filter("open simulator").isEmpty());
}

TEST_F(WireLogWindowTest, F12AndItsCloseButtonCloseItAgain) {
    form.start({});
    form.show();
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_F12);
    WireLogWindow* window = form.wireLogWindow();
    ASSERT_TRUE(window->isVisible());
    QTest::keyClick(&form, Qt::Key_F12);
    EXPECT_FALSE(window->isVisible());
    QTest::keyClick(&form, Qt::Key_F12);
    ASSERT_TRUE(window->isVisible());
    QApplication::setActiveWindow(window); // F12 in the wire log's own window
    QTest::keyClick(window, Qt::Key_F12);
    EXPECT_FALSE(window->isVisible());
    form.showWireLog();
    auto* close = window->findChild<QPushButton*>("ButtonClose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "Close");
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

} // namespace
