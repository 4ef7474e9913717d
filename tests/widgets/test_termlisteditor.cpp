// The term list editor in its three variants: list editing, questions,
// Cancel, and the import rules, with a scripted spreadsheet.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QtTest>

#include "sheets/gui/spreadsheetapp.h"
#include "support/widgets.h"
#include "web/module1.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

using namespace quill;
using namespace quill::ui;
using Variant = TermListEditor::Variant;

namespace {

// What the scripted spreadsheet answers and what was asked of it.
struct Script {
    std::optional<QStringList> selection;
    bool openOk = true;
    int opened = 0, windowsClosed = 0, workbooksClosed = 0;
};

class FakeSpreadsheet : public SpreadsheetApp {
  public:
    explicit FakeSpreadsheet(Script& s) : s_(s) {}
    bool OpenWorkbook(const QString& path, QString* error) override {
        *error = QStringLiteral("Cannot read the spreadsheet \"%1\": broken.").arg(path);
        if (s_.openOk) ++s_.opened;
        return open_ = s_.openOk;
    }
    std::optional<QStringList> ReadSelection() override {
        return open_ ? s_.selection : std::nullopt;
    }
    bool CloseActiveWindow() override { return Close(s_.windowsClosed); }
    bool CloseActiveWorkbook() override { return Close(s_.workbooksClosed); }

  private:
    bool Close(int& counter) {
        if (open_) ++counter;
        return std::exchange(open_, false);
    }
    Script& s_;
    bool open_ = false;
};

// Cells imported by a window, and the list and the message that follow.
struct Import {
    Variant variant;
    bool accession;
    QStringList cells, expected;
    bool duplicateMessage = false;
};

QPushButton* Button(QWidget* w, const char* name) {
    return w->findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

Q_DECLARE_METATYPE(Import)

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
  private slots:
    void init() {
        script_ = Script();
        module_ = Module1();
        SpreadsheetApp::SetFactory([this] { return std::make_unique<FakeSpreadsheet>(script_); });
    }
    void cleanupTestCase() { SpreadsheetApp::SetFactory({}); }

    // Only the runs' windows have a Cancel button. Add appends the box's
    // text as typed.
    void perVariant() {
        for (Variant variant : {Variant::Quill, Variant::Hits, Variant::Unique}) {
            auto e = Make(variant);
            QCOMPARE(Button(e.get(), "cmdCancel") == nullptr, variant == Variant::Unique);
            Button(e.get(), "cmdAdd")->click();  // empty box adds nothing
            e->AddBox()->setText(QStringLiteral("  Abc1 "));
            Button(e.get(), "cmdAdd")->click();
            Button(e.get(), "cmdAdd")->click();
            QCOMPARE(e->Terms(), QStringList({"  Abc1 ", "  Abc1 "}));
            // Only the search window selects the box's text for the next term.
            QCOMPARE(e->AddBox()->selectedText(),
                     variant == Variant::Quill ? QStringLiteral("  Abc1 ") : QString());
        }
    }

    // Enter in the Add box adds; the next term is typed afresh (into an
    // emptied box, or over the selected text in the search window).
    void enterInTheAddBoxAdds() {
        for (Variant variant : {Variant::Quill, Variant::Hits, Variant::Unique}) {
            auto e = Make(variant);
            for (const char* term : {"Sox2", "Hoxa9"}) {
                QTest::keyClicks(e->AddBox(), term);
                QTest::keyClick(e->AddBox(), Qt::Key_Return);
            }
            QCOMPARE(e->Terms(), QStringList({"Sox2", "Hoxa9"}));
        }
    }

    // The button and the Delete key delete the selected entry, if any.
    void deleteRemovesTheSelectedEntry() {
        auto e = Make(Variant::Hits);
        e->show();
        QVERIFY(QTest::qWaitForWindowExposed(e.get()));
        e->List()->setFocus();
        for (bool key : {false, true}) {
            e->SetTerms({"a", "b", "c"});
            for (int row : {-1, 1}) {  // nothing selected, then the second entry
                e->List()->setCurrentRow(row);
                if (key)
                    QTest::keyClick(e->List(), Qt::Key_Delete);
                else
                    Button(e.get(), "cmdDelete")->click();
            }
            QCOMPARE(e->Terms(), QStringList({"a", "c"}));
        }
    }

    // An entry emptied by Cut stays empty but is drawn with a placeholder.
    void emptyEntryIsShown() {
        auto e = Make(Variant::Quill);
        e->SetTerms({"", "x"});
        QStyleOptionViewItem option;
        option.initFrom(e->List());
        const QSize empty =
            e->List()->itemDelegate()->sizeHint(option, e->List()->model()->index(0, 0));
        QVERIFY(empty.width() >= e->List()->fontMetrics().horizontalAdvance("(empty"));
    }

    // Clear empties the list and Cancel raises the cancel flag, each only on Yes.
    void questions() {
        for (const QString button : {"cmdClear", "cmdCancel"}) {
            for (bool yes : {false, true}) {
                module_ = Module1();
                PlatformDouble pd;
                pd.queueAnswer(yes);
                auto e = Make(Variant::Hits);
                e->SetTerms({"a", "b"});
                e->CancelButton()->show();
                Button(e.get(), qPrintable(button))->click();
                const bool clear = button == "cmdClear";
                QCOMPARE(pd.log().size(), 1);
                QCOMPARE(e->Count(), clear && yes ? 0 : 2);
                QCOMPARE(module_.CancelSearch, !clear && yes);
            }
        }
    }

    // Cut keeps what stands before the first occurrence of the answer.
    void cutAtFirstOccurrence() {
        const QStringList list = {"Abc1;2", "Abc1 ; 2", ";x", "NoCut", "a-b;-c"};
        for (const auto& [answer, after] : std::initializer_list<std::pair<QString, QStringList>>{
                 {";", {"Abc1", "Abc1 ", "", "NoCut", "a-b"}},
                 {";-", {"Abc1;2", "Abc1 ; 2", ";x", "NoCut", "a-b"}},
                 {"", list}}) {
            PlatformDouble pd;
            pd.queueInput(answer);
            auto e = Make(Variant::Quill);
            e->SetTerms(list);
            Button(e.get(), "cmdCut")->click();
            QCOMPARE(e->Terms(), after);
        }
    }

    // Each open makes a new spreadsheet and leaves the earlier one alone; a
    // failed open keeps the last one. Before any open, or with nothing
    // selected, Import does nothing at all; closing the workbook with none
    // open is quiet.
    void openImportAndClose() {
        PlatformDouble pd;
        auto e = Make(Variant::Unique);
        Button(e.get(), "cmdImport")->click();
        e->CloseActiveWorkbook();
        Open(*e, pd);
        Open(*e, pd);
        SpreadsheetApp* last = e->Spreadsheet();
        QCOMPARE(script_.opened, 2);
        script_.openOk = false;
        Open(*e, pd);
        QCOMPARE(e->Spreadsheet(), last);
        QCOMPARE(pd.messageTexts().size(), 1);
        QVERIFY(pd.messageTexts()[0].contains(QStringLiteral("/data/hits.xls")));
        Button(e.get(), "cmdImport")->click();
        QCOMPARE(e->Count(), 0);
        QCOMPARE(script_.windowsClosed, 0);
        e->CloseActiveWorkbook();
        QCOMPARE(script_.workbooksClosed, 1);
        QCOMPARE(pd.messageTexts().size(), 1);
    }

    // Cells imported into the list {"Abc1"} by each window's rules.
    void importRules_data() {
        QTest::addColumn<Import>("i");
        QTest::newRow("frmQuill duplicates, also of an earlier entry")
            << Import{Variant::Quill, false, {"42", "", "Abc1", "42"}, {"Abc1", "42"}, true};
        QTest::newRow("frmQuill accession slashes")
            << Import{Variant::Quill, true, {"AB000001/AB000002"}, {"Abc1", "AB000001 AB000002"}};
        QTest::newRow("frmQuill slashes kept without accession")
            << Import{Variant::Quill, false, {"A/B"}, {"Abc1", "A/B"}};
        QTest::newRow("frmHits hit names")
            << Import{Variant::Hits,
                      false,
                      {"Abc1 | 123 MM#2", "Def2 | x", "Ghi3", "Abc1 | 123 MM#9"},
                      {"Abc1", "Abc1 123", "Def2 ", "Ghi3"},
                      true};
        QTest::newRow("frmHits stops at a bad name, keeping earlier ones")
            << Import{Variant::Hits, false, {"A|x", "B|MM#", "C", "A|x"}, {"Abc1", "A"}};
        QTest::newRow("frmUnique keeps duplicates, no transformation")
            << Import{Variant::Unique, true, {"Abc1", "A/B | MM#"}, {"Abc1", "Abc1", "A/B | MM#"}};
    }
    void importRules() {
        QFETCH(Import, i);
        PlatformDouble pd;
        auto e = Make(i.variant);
        e->SetAccessionModeQuery([&i] { return i.accession; });
        e->SetTerms({"Abc1"});
        Open(*e, pd);
        pd.clear();
        script_.selection = i.cells;
        Button(e.get(), "cmdImport")->click();
        QCOMPARE(e->Terms(), i.expected);
        QCOMPARE(pd.messageTexts(), i.duplicateMessage
                                        ? QStringList{"Duplicate entries were removed."}
                                        : QStringList());
        // The unique-hit window closes the spreadsheet window after importing.
        QCOMPARE(script_.windowsClosed, i.variant == Variant::Unique ? 1 : 0);
    }

    // A name typed without an extension gets the chosen filter entry's first one.
    void saveDialogExtension() {
        QCOMPARE(Platform::DefaultSuffix("Sheets|*.ods;*.csv|All|*.*", 0), QString("ods"));
        QCOMPARE(Platform::DefaultSuffix("Text|*.txt|All|*.*", 1), QString());
        QCOMPARE(Platform::DefaultSuffix("Text|*.txt", 1), QString());
    }
};

QTEST_MAIN(TestTermListEditor)
#include "test_termlisteditor.moc"
