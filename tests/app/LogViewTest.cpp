// The protocol window's table: decoded columns, pairing highlight, filters, following the
// tail and plain text.

#include "WkLogDoc.h"
#include "WkLogTableModel.h"
#include "WkLogView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

namespace {

QString Stamp(int ms) {
    return QString("12/07/26 13:00:%1.%2")
        .arg(ms / 1000 % 60, 2, 10, QChar('0'))
        .arg(ms % 1000, 3, 10, QChar('0'));
}

} // namespace

class LogViewTest : public QObject {
    Q_OBJECT
private slots:
    void showsPairsFiltersAndFollowsTheTail() {
        auto doc = std::make_shared<WkLogDoc>();
        WkLogView view(doc);
        view.resize(900, 300);
        view.show();
        const auto append = [&](const QString& line) { QVERIFY(doc->Append(line.toStdString())); };
        append(Stamp(0) + "  >>  04 00 11 15 ");
        append(Stamp(12) + "  <<  0B 00 11 00 01 01 02 03 04 05 1A   OK");
        append(Stamp(20) + "  >>  04 00 65 61 ");
        append(Stamp(35) + "  <<  Error: -2031  VELK: checksum error  (05 00 65 00 61   OK)");
        QTRY_COMPARE(view.Model()->rowCount(), 4);
        WkLogTableModel& model = *view.Model();
        QCOMPARE(model.headerData(7, Qt::Horizontal).toString(), QString("Latency"));
        QCOMPARE(model.index(1, WkLogRows::kDecoded).data().toString(),
                 QString("type: 1 (TTB), serial number: 0102030405"));
        QCOMPARE(model.index(1, WkLogRows::kLatency).data().toString(), QString("12 ms"));

        // Selecting an answer highlights its request.
        view.Table()->setCurrentIndex(model.index(3, 0));
        QCOMPARE(model.HighlightedRow(), std::optional<int>(2));
        QVERIFY(model.index(2, 0).data(Qt::BackgroundRole).isValid());

        // Errors only.
        view.findChild<QCheckBox*>("errorsOnly")->setChecked(true);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, WkLogRows::kStatus).data().toString(),
                 QString("Error: -2031  VELK: checksum error"));
        view.findChild<QCheckBox*>("errorsOnly")->setChecked(false);

        // Scrolled up, the view stays; at the bottom, it follows.
        for (int i = 0; i < 400; ++i) {
            append(Stamp(100 + i) + "  >>  04 00 65 61 ");
        }
        QTRY_COMPARE(model.rowCount(), 404);
        QScrollBar* bar = view.Table()->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());
        bar->setValue(0);
        append(Stamp(900) + "  >>  04 00 65 61 ");
        QTRY_COMPARE(model.rowCount(), 405);
        QCOMPARE(bar->value(), 0);
        view.Table()->scrollToBottom(); // as the user drags the bar to its end
        append(Stamp(901) + "  >>  04 00 65 61 ");
        QTRY_COMPARE(model.rowCount(), 406);
        QTRY_COMPARE(bar->value(), bar->maximum());

        view.SetPlainText(true);
        QCOMPARE(model.columnCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), Stamp(0) + "  >>  04 00 11 15 ");
    }

    // The port column and the port filter appear once lines of a second port come in.
    void portsShowOnceThereAreTwo() {
        auto doc = std::make_shared<WkLogDoc>();
        WkLogView view(doc);
        view.show();
        WkLogTableModel& model = *view.Model();
        auto* ports = view.findChild<QComboBox*>("portFilter");
        QVERIFY(doc->Append((Stamp(0) + "  >>  04 00 65 61 ").toStdString(), 1));
        QTRY_COMPARE(model.rowCount(), 1);
        QVERIFY(view.Table()->isColumnHidden(WkLogTableModel::kPortColumn));
        QVERIFY(ports->isHidden());
        QVERIFY(doc->Append((Stamp(5) + "  >>  04 00 65 61 ").toStdString(), 2));
        QTRY_COMPARE(model.rowCount(), 2);
        QVERIFY(!view.Table()->isColumnHidden(WkLogTableModel::kPortColumn));
        QCOMPARE(model.index(1, WkLogTableModel::kPortColumn).data().toInt(), 2);
        QCOMPARE(ports->count(), 3); // any port, 1, 2
        ports->setCurrentIndex(ports->findData(2));
        QCOMPARE(model.rowCount(), 1);
    }

    // The columns are as wide as what their cells need, in the window's font and after the
    // font changes: a time stamp stays whole.
    void columnsFitTheirCellsInEveryFont() {
        auto doc = std::make_shared<WkLogDoc>();
        WkLogView view(doc);
        view.resize(1200, 300);
        view.show();
        QVERIFY(doc->Append((Stamp(0) + "  >>  04 00 65 61 ").toStdString()));
        QTRY_COMPARE(view.Model()->rowCount(), 1);
        // What the cells of a column need, as the view measures them.
        QAbstractItemView& table = *view.Table();
        for (int points : {0, 20}) {
            if (points > 0) {
                WkLogFont font = doc->Font();
                font.heightTwips = 20 * points;
                view.ApplyFont(font);
            }
            for (int column : {WkLogRows::kTime, WkLogRows::kAddress, WkLogRows::kCommand}) {
                const int width = view.Table()->columnWidth(column);
                QVERIFY2(width >= table.sizeHintForColumn(column),
                         qPrintable(QString("%1 pt, column %2: %3 < %4")
                                        .arg(points)
                                        .arg(column)
                                        .arg(width)
                                        .arg(table.sizeHintForColumn(column))));
            }
        }
    }
};

QTEST_MAIN(LogViewTest)
#include "LogViewTest.moc"
