// The term list editor in its three variants: list editing, questions,
// Cancel, and the import rules, with a scripted spreadsheet.
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/spreadsheetapp.h"
#include "common/gui/termlisteditor.h"
#include "common/module1.h"
#include "support/widgets.h"

using namespace quill;
using namespace quill::ui;
using Variant = TermListEditor::Variant;

Q_DECLARE_METATYPE(TermListEditor::Variant)

namespace {

// What the scripted spreadsheet answers and what was asked of it.
struct Script {
    std::optional<QStringList> selection;
    bool openOk = true;
    int opened = 0, windowsClosed = 0, workbooksClosed = 0, instances = 0;
};

class FakeSpreadsheet : public SpreadsheetApp {
  public:
    explicit FakeSpreadsheet(Script& s) : s_(s) { ++s_.instances; }
    bool OpenWorkbook(const QString& path, QString* error) override {
        if (!s_.openOk) {
            *error = QStringLiteral("Cannot read the spreadsheet \"%1\": broken.").arg(path);
            return false;
        }
        ++s_.opened;
        return open_ = true;
    }
    std::optional<QStringList> ReadSelection() override {
        return open_ ? s_.selection : std::nullopt;
    }
    bool CloseActiveWindow() override { return Close(s_.windowsClosed); }
    bool CloseActiveWorkbook() override { return Close(s_.workbooksClosed); }

  private:
    bool Close(int& counter) {
        if (!open_) return false;
        open_ = false;
        ++counter;
        return true;
    }
    Script& s_;
    bool open_ = false;
};

QPushButton* Button(QWidget* w, const char* name) {
    return w->findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

class TestTermListEditor : public QObject {
    Q_OBJECT

    Script script_;
    Module1 module_;

    std::unique_ptr<TermListEditor> Make(Variant v) {
        auto e = std::make_unique<TermListEditor>();
        e->Configure(v, &module_);
        e->SetSimpleMode(false);
        return e;
    }
    // Opens the scripted spreadsheet in the editor.
    void Open(TermListEditor& e, PlatformDouble& pd) {
        pd.queueOpenFile(QStringLiteral("/data/hits.xls"));
        Button(&e, "cmdOpen")->click();
    }
    void variants() {
        QTest::addColumn<Variant>("variant");
        QTest::newRow("frmQuill") << Variant::Quill;
        QTest::newRow("frmHits") << Variant::Hits;
        QTest::newRow("frmUnique") << Variant::Unique;
    }

  private slots:
    void init() {
        script_ = Script();
        module_ = Module1();
        SpreadsheetApp::SetFactory([this] { return std::make_unique<FakeSpreadsheet>(script_); });
    }
    void cleanupTestCase() { SpreadsheetApp::SetFactory({}); }

    void cancelButtonPerVariant_data() { variants(); }
    void cancelButtonPerVariant() {
        QFETCH(Variant, variant);
        auto e = Make(variant);
        if (variant == Variant::Unique) {
            QVERIFY(e->CancelButton() == nullptr);
            QVERIFY(!Button(e.get(), "cmdCancel"));
        } else {
            QVERIFY(e->CancelButton()->isHidden());  // the runs show it
        }
    }

    void addAppendsAsTyped_data() { variants(); }
    void addAppendsAsTyped() {
        QFETCH(Variant, variant);
        auto e = Make(variant);
        e->show();
        QVERIFY(QTest::qWaitForWindowExposed(e.get()));
        Button(e.get(), "cmdAdd")->click();  // empty box adds nothing
        QCOMPARE(e->Count(), 0);
        e->AddBox()->setText(QStringLiteral("  Abc1 "));
        Button(e.get(), "cmdAdd")->click();
        Button(e.get(), "cmdAdd")->click();
        QCOMPARE(e->Terms(), QStringList({"  Abc1 ", "  Abc1 "}));
        QCOMPARE(e->AddBox()->text(), QStringLiteral("  Abc1 "));  // keeps its text
        // Only the search window selects the box's text for the next term.
        QCOMPARE(e->AddBox()->selectedText(),
                 variant == Variant::Quill ? QStringLiteral("  Abc1 ") : QString());
    }

    void deleteRemovesTheSelectedEntry_data() {
        QTest::addColumn<bool>("key");
        QTest::newRow("button") << false;
        QTest::newRow("Delete key") << true;
    }
    void deleteRemovesTheSelectedEntry() {
        QFETCH(bool, key);
        auto e = Make(Variant::Hits);
        e->show();
        QVERIFY(QTest::qWaitForWindowExposed(e.get()));
        e->SetTerms({"a", "b", "c"});
        const auto remove = [&] {
            if (key)
                QTest::keyClick(e->List(), Qt::Key_Delete);
            else
                Button(e.get(), "cmdDelete")->click();
        };
        e->List()->setFocus();
        e->List()->clearSelection();
        remove();  // nothing selected
        QCOMPARE(e->Count(), 3);
        e->List()->setCurrentRow(1);
        remove();
        QCOMPARE(e->Terms(), QStringList({"a", "c"}));
    }

    // An entry emptied by Cut stays empty but is drawn with a placeholder.
    void emptyEntryIsShown() {
        auto e = Make(Variant::Quill);
        e->SetTerms({"", "x"});
        QCOMPARE(e->Terms(), QStringList({"", "x"}));
        QStyleOptionViewItem option;
        option.initFrom(e->List());
        const QSize empty =
            e->List()->itemDelegate()->sizeHint(option, e->List()->model()->index(0, 0));
        QVERIFY(empty.width() >= e->List()->fontMetrics().horizontalAdvance("(empty"));
    }

    // A name typed without an extension gets the filter's.
    void saveDialogAddsTheExtension_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << "results"
                                      << "results.txt";
        QTest::newRow("own extension") << "results.dat"
                                       << "results.dat";
    }
    void saveDialogAddsTheExtension() {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        // Types the name and accepts, again on every tick until the dialog
        // has gone (a busy machine may still be filling it); gives up after 5 s.
        QTimer typist;
        QElapsedTimer since;
        since.start();
        connect(&typist, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (since.elapsed() > 5000) return dialog->reject();
            dialog->setDirectory(dir.path());
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        typist.start(50);
        const QString path = Platform::SaveFileName(nullptr, "Text Files (*.txt)|*.txt");
        QCOMPARE(QFileInfo(path).fileName(), saved);
        QCOMPARE(Platform::DefaultSuffix("Text|*.txt|All|*.*", 1), QString());
        QCOMPARE(Platform::DefaultSuffix("Sheets|*.ods;*.csv", 0), QString("ods"));
    }

    // Clear empties the list and Cancel raises the cancel flag, each only on Yes.
    void questions_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::newRow("clear yes") << Variant::Unique << "cmdClear" << true;
        QTest::newRow("clear no") << Variant::Unique << "cmdClear" << false;
        QTest::newRow("frmQuill cancel yes") << Variant::Quill << "cmdCancel" << true;
        QTest::newRow("frmQuill cancel no") << Variant::Quill << "cmdCancel" << false;
        QTest::newRow("frmHits cancel yes") << Variant::Hits << "cmdCancel" << true;
    }
    void questions() {
        QFETCH(Variant, variant);
        QFETCH(QString, button);
        QFETCH(bool, yes);
        PlatformDouble pd;
        pd.queueAnswer(yes);
        auto e = Make(variant);
        e->SetTerms({"a", "b"});
        const bool clear = button == "cmdClear";
        if (!clear) e->CancelButton()->show();
        Button(e.get(), qPrintable(button))->click();
        QCOMPARE(pd.log(), QStringList{clear ? "Question|Clear?|Are you sure you want to clear the "
                                               "listbox?|Question"
                                             : "Question|Cancel?|Are you sure you want to cancel "
                                               "the search?|Question"});
        QCOMPARE(e->Count(), clear && yes ? 0 : 2);
        QCOMPARE(module_.CancelSearch, !clear && yes);
    }

    void cutAtFirstOccurrence_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QStringList list = {"Abc1;2", "Abc1 ; 2", ";x", "NoCut", "a-b;-c"};
        QTest::newRow("semicolon")
            << ";" << list << QStringList({"Abc1", "Abc1 ", "", "NoCut", "a-b"});
        QTest::newRow("pair, not its first char")
            << ";-" << list << QStringList({"Abc1;2", "Abc1 ; 2", ";x", "NoCut", "a-b"});
        QTest::newRow("case-sensitive")
            << "a" << QStringList({"Abc", "xa"}) << QStringList({"Abc", "x"});
        QTest::newRow("empty answer") << "" << list << list;
    }
    void cutAtFirstOccurrence() {
        QFETCH(QString, answer);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        PlatformDouble pd;
        pd.queueInput(answer);
        auto e = Make(Variant::Quill);
        e->SetTerms(before);
        Button(e.get(), "cmdCut")->click();
        QCOMPARE(e->Terms(), after);
        QCOMPARE(pd.log(), QStringList{"Input|Cut|Cut all entries in listbox up to what character "
                                       "(i.e. ; or -)?|None"});
    }

    // Each open makes a new spreadsheet and leaves the earlier one alone; a
    // failed open keeps the last one.
    void eachOpenMakesANewSpreadsheet() {
        PlatformDouble pd;
        auto e = Make(Variant::Quill);
        Open(*e, pd);
        Open(*e, pd);
        SpreadsheetApp* last = e->Spreadsheet();
        QVERIFY(last);
        QCOMPARE(script_.instances, 2);
        QCOMPARE(script_.opened, 2);
        QCOMPARE(script_.workbooksClosed, 0);
        script_.openOk = false;
        Open(*e, pd);
        QCOMPARE(e->Spreadsheet(), last);
        QCOMPARE(pd.messageTexts().size(), 1);
        QVERIFY(pd.messageTexts()[0].contains(QStringLiteral("/data/hits.xls")));
        QCOMPARE(pd.shown.last().icon, Icon::Exclamation);
    }

    // Before any open, or with nothing selected, Import does nothing at all.
    void importWithoutSelectionDoesNothing_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<bool>("opened");
        for (bool opened : {false, true}) {
            const char* when = opened ? "no selection" : "not opened";
            QTest::addRow("frmQuill %s", when) << Variant::Quill << opened;
            QTest::addRow("frmHits %s", when) << Variant::Hits << opened;
            QTest::addRow("frmUnique %s", when) << Variant::Unique << opened;
        }
    }
    void importWithoutSelectionDoesNothing() {
        QFETCH(Variant, variant);
        QFETCH(bool, opened);
        PlatformDouble pd;
        auto e = Make(variant);
        if (opened) Open(*e, pd);
        pd.clear();
        script_.selection = std::nullopt;
        Button(e.get(), "cmdImport")->click();
        QCOMPARE(e->Count(), 0);
        QCOMPARE(script_.windowsClosed, 0);
        QVERIFY(pd.shown.isEmpty());
    }

    void importRules_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<bool>("accession");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("duplicateMessage");
        QTest::addColumn<int>("windowsClosed");
        const QStringList triple = {"Abc1", "", "Abc1", "42", "Abc1"};
        QTest::newRow("frmQuill duplicates") << Variant::Quill << false << QStringList() << triple
                                             << QStringList({"Abc1", "42"}) << true << 0;
        QTest::newRow("frmQuill duplicate of an earlier entry")
            << Variant::Quill << false << QStringList({"42"}) << QStringList({"42", "x"})
            << QStringList({"42", "x"}) << true << 0;
        QTest::newRow("frmQuill case matters")
            << Variant::Quill << false << QStringList() << QStringList({"abc", "ABC"})
            << QStringList({"abc", "ABC"}) << false << 0;
        QTest::newRow("frmQuill accession slashes")
            << Variant::Quill << true << QStringList() << QStringList({"AB000001/AB000002"})
            << QStringList({"AB000001 AB000002"}) << false << 0;
        QTest::newRow("frmQuill slashes kept without accession")
            << Variant::Quill << false << QStringList() << QStringList({"A/B"})
            << QStringList({"A/B"}) << false << 0;
        QTest::newRow("frmHits hit names")
            << Variant::Hits << false << QStringList()
            << QStringList({"Abc1 | 123 MM#2", "Def2 | x", "Ghi3", "Abc1 | 123 MM#9"})
            << QStringList({"Abc1 123", "Def2 ", "Ghi3"}) << true << 0;
        QTest::newRow("frmHits stops at a bad name, keeping earlier ones")
            << Variant::Hits << false << QStringList({"old"})
            << QStringList({"A|x", "B|MM#", "C", "A|x"}) << QStringList({"old", "A"}) << false << 0;
        QTest::newRow("frmUnique keeps duplicates, closes the window")
            << Variant::Unique << false << QStringList({"Abc1"}) << triple
            << QStringList({"Abc1", "Abc1", "Abc1", "42", "Abc1"}) << false << 1;
        QTest::newRow("frmUnique no transformation")
            << Variant::Unique << true << QStringList() << QStringList({"A/B | MM#"})
            << QStringList({"A/B | MM#"}) << false << 1;
        QStringList many, firsts;
        for (int i = 0; i < 60000; ++i) many << QStringLiteral("G%1").arg(i % 40000);
        for (int i = 0; i < 40000; ++i) firsts << QStringLiteral("G%1").arg(i);
        QTest::newRow("frmQuill long list keeps the first of each")
            << Variant::Quill << false << QStringList() << many << firsts << true << 0;
    }
    void importRules() {
        QFETCH(Variant, variant);
        QFETCH(bool, accession);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, expected);
        QFETCH(bool, duplicateMessage);
        QFETCH(int, windowsClosed);
        PlatformDouble pd;
        auto e = Make(variant);
        e->SetAccessionModeQuery([accession] { return accession; });
        e->SetTerms(existing);
        Open(*e, pd);
        pd.clear();
        script_.selection = cells;
        Button(e.get(), "cmdImport")->click();
        QCOMPARE(e->Terms(), expected);
        QCOMPARE(pd.log(),
                 duplicateMessage
                     ? QStringList{"Message|Duplicate|Duplicate entries were removed.|None"}
                     : QStringList());
        QCOMPARE(script_.windowsClosed, windowsClosed);
    }

    void closeActiveWorkbookIgnoresFailures() {
        PlatformDouble pd;
        auto e = Make(Variant::Hits);
        e->CloseActiveWorkbook();  // nothing opened
        Open(*e, pd);
        e->CloseActiveWorkbook();
        e->CloseActiveWorkbook();  // already closed
        QCOMPARE(script_.workbooksClosed, 1);
        QCOMPARE(pd.messageTexts(), QStringList());
    }
};

QTEST_MAIN(TestTermListEditor)
#include "test_termlisteditor.moc"
