// The journal in the window: the history window's filters, order and export, and "Compare with
// file..." after a receive, on the offscreen platform.
#include "journal_fixture.h"

#include "gui/journal/compare_dialog.h"
#include "gui/journal/history_window.h"
#include "gui/journal/journal_ui.h"
#include "gui/window_fixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmorix;
using namespace velmorix::test;

TEST(HistoryWindowTest, ShowsTheFilteredRecordsSortedAndExportsThem) {
    TempWorkDir dir;
    const JournalLocation location = sqliteJournal(dir.path());
    {
        JournalStore store(QStringLiteral("fill"));
        ASSERT_EQ(store.open(location), QString());
        QList<JournalRecord> rs;
        for (int i = 0; i < 3; ++i) {
            JournalRecord r =
                record(QStringLiteral("w-%1").arg(i),
                       QStringLiteral("2026-12-0%1T08:00:00.000+01:00").arg(i + 1), TransferEnd::Kind::Sent);
            r.port = i == 1 ? QStringLiteral("COM2") : QStringLiteral("COM1");
            r.fileName = QStringLiteral("p%1.Cnc").arg(i);
            r.filePath = dir.file(QStringLiteral("programs/p%1.Cnc").arg(i));
            r.bytes = 100 * (3 - i);
            rs << r;
        }
        ASSERT_EQ(store.insert(rs), QString());
    }
    HistoryWindow w(location);
    ASSERT_EQ(w.refresh(), QString());
    ASSERT_EQ(w.table()->model()->rowCount(), 3);
    EXPECT_EQ(w.table()->model()->index(0, 8).data().toString(), "p2.Cnc"); // newest first
    // Sorted by size, as numbers.
    w.table()->sortByColumn(9, Qt::AscendingOrder);
    EXPECT_EQ(w.table()->model()->index(0, 9).data().toLongLong(), 100);
    EXPECT_EQ(w.folderOfRow(0), QFileInfo(dir.file(QStringLiteral("programs/p2.Cnc"))).absolutePath());

    w.findChild<QLineEdit*>(QStringLiteral("EditPort"))->setText(QStringLiteral("com2"));
    ASSERT_EQ(w.refresh(), QString());
    ASSERT_EQ(w.table()->model()->rowCount(), 1);
    EXPECT_EQ(w.table()->model()->index(0, 8).data().toString(), "p1.Cnc");
    ASSERT_EQ(w.exportCsv(dir.file(QStringLiteral("out.csv"))), QString());
    const QList<QByteArray> lines = dir.read(QStringLiteral("out.csv")).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(",p1.Cnc,"));

    w.findChild<QLineEdit*>(QStringLiteral("EditSince"))->setText(QStringLiteral("not a time"));
    EXPECT_NE(w.refresh(), QString());
}

using JournalUiTest = WindowOnSimulator;

TEST_F(JournalUiTest, CompareWithFileSetsTheReceivedProgramBesideTheFile) {
    JournalUi ui(console, form, sqliteJournal(dir.path()));
    form.start({"--simulator", "142720", "GO"});
    clock.advance(1000);
    auto* compare = form.control(QStringLiteral("ListBoxFileSvc"))
                        ->findChild<QAction*>(QStringLiteral("ActionCompareWithFile"));
    ASSERT_NE(compare, nullptr);
    EXPECT_FALSE(compare->isEnabled()); // nothing received yet

    console.ButtonFileSvcClick();
    clock.advance(300);
    console.ButtonRecvInClick();
    for (int t = 0; t < 20000 && (console.transfer().active() || console.receiver().listing()); t += 10)
        clock.advance(10);
    clock.advance(100); // the window hears of it at its next repaint
    EXPECT_TRUE(compare->isEnabled());
    dir.write(QStringLiteral("mine.Cnc"), "%\nO0001\nG90\nG00 X0 Y1\nG01 X50. F300\nG01 Y25.\nM30\n%\n");
    std::unique_ptr<CompareDialog> dialog(ui.compareWith(dir.file(QStringLiteral("mine.Cnc"))));
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->comparison().same);
    EXPECT_EQ(dialog->verdict()->text(), "The received O0001.Cnc differs from mine.Cnc: line 4.");
    QTableWidget* t = dialog->table();
    ASSERT_EQ(t->rowCount(), 8);
    EXPECT_EQ(t->item(3, 1)->text(), "G00 X0 Y0");
    EXPECT_EQ(t->item(3, 3)->text(), "G00 X0 Y1");
    EXPECT_EQ(t->currentRow(), 3);

    auto* history = form.control(QStringLiteral("ListBoxFileSvc"))
                        ->findChild<QAction*>(QStringLiteral("ActionTransferHistory"));
    ASSERT_NE(history, nullptr);
    history->trigger();
    auto* window = form.findChild<HistoryWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    console.FormDestroy();
}
