// Reading back the hit lists this program saves, as its writers write them:
// the hit entries come back, the heading lines do not; other text is no
// saved hit list.
#include <QtTest>

#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "profile/screening.h"
#include "sheets/savedlists.h"
#include "text/quotedfile.h"
#include "unique/uniquehits.h"

using namespace quill;

namespace {
const QDateTime kWhen(QDate(2026, 3, 7), QTime(9, 5, 0));

QString Saved(const QStringList& items) {
    return QString::fromUtf8(QuotedItemsBytes(items));
}
QString IgtcList(const QString& minimum, const QStringList& names) {
    return Saved(IgtcSaveItems(minimum, IgtcOutputText(names), kWhen));
}
}  // namespace

class TestSavedLists : public QObject {
    Q_OBJECT

  private slots:
    void entries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QStringList>>("entries");
        const QStringList hits{"Abc1 | 12 MM#1", "\"Def2\" | x", "IGTC search, 1 minimum cutoff"};
        QTest::newRow("IGTC hit list") << IgtcList("100abc", hits) << std::optional(hits);
        QTest::newRow("IGTC hit list without hits")
            << IgtcList("100", {}) << std::optional(QStringList());
        const QString unique = Saved(UniqueSaveItems(UniqueReportText({"Abc1", "Hits:"}, kWhen)));
        QTest::newRow("unique hits") << unique << std::optional(QStringList{"Abc1", "Hits:"});
        QTest::newRow("lists joined end to end, LF line ends")
            << QString(IgtcList("100", {"Abc1 | 1"}) + unique + IgtcList("90", {"Xyz9"}))
                   .replace("\r\n", "\n")
            << std::optional(QStringList{"Abc1 | 1", "Abc1", "Hits:", "Xyz9"});
        ScreeningResults screened;
        screened.SelectedTissues = {{"testis"}, {"ovary"}};
        screened.txtAbundance1 = "50";
        screened.txtTissue1 = "100";
        screened.lstFound = QStringList{"Pax6", "Sox2 4"};
        screened.lstNoData = QStringList{"Olfr1"};
        QTest::newRow("screening report")
            << Saved({BuildScreeningReport(screened, ScreeningCriteria(), kWhen)})
            << std::optional(QStringList{"Pax6", "Sox2 4", "Olfr1"});

        const std::optional<QStringList> none;
        QTest::newRow("quoted items without a heading") << Saved({"Abc1", "Def2"}) << none;
        QTest::newRow("plain text")
            << QString("IGTC search, x minimum cutoff\r\n\r\nAbc1\r\n") << none;
        QTest::newRow("an item never closed") << (IgtcList("100", {"Abc1"}) + "\"Def2\r\n") << none;
    }
    void entries() {
        QFETCH(QString, text);
        QFETCH(std::optional<QStringList>, entries);
        QCOMPARE(SavedListEntries(text), entries);
    }
};

QTEST_GUILESS_MAIN(TestSavedLists)
#include "test_savedlists.moc"
