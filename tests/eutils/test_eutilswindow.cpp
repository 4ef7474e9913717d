// The search window on either source: the demo's E-utilities replies by
// default, the archive pages when Search Options switches, and the e-mail
// address and API key kept in the user's settings file (here a temporary
// folder).

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "support/searchwindow.h"

using namespace quill;
using namespace quill::ui;
using namespace quill::test;

class EutilsWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir;
    std::unique_ptr<PageServer> pages, replies;

    // The window on both sample sets, on the source the program started with.
    std::unique_ptr<SearchApp> App() {
        auto app = std::make_unique<SearchApp>(pages->BaseUrl());
        app->ctx.settings.EutilsBase = replies->BaseUrl();
        return app;
    }
    static void Type(const char* name, FrmOptions* options, const QString& text) {
        auto* box = Find<QLineEdit>(options, name);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
    QSettings Kept() const {
        return QSettings(FrmOptions::UserSettingsFile(), QSettings::IniFormat);
    }

  private slots:
    void initTestCase() {
        QVERIFY(settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QVERIFY(FrmOptions::UserSettingsFile().startsWith(settingsDir.path()));
        qunsetenv("NCBI_API_KEY");
        pages = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages->Start(), qPrintable(pages->Error()));
        replies = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR "/../eutils"));
        QVERIFY2(replies->Start(), qPrintable(replies->Error()));
    }

    // A search on the source the window shows: today's NCBI by default, the
    // archive pages when the program starts on them or the options switch.
    void searchOnTheSource_data() {
        QTest::addColumn<bool>("startOnArchive");
        QTest::addColumn<QString>("click");  // in Search Options, "" none
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("header");
        const QString eutils = "> Pax6 | mRNA sequence NM_001244198.2";
        const QString archive = "> Pax6 | mRNA sequence NM_013627";
        QTest::newRow("default") << false << ""
                                 << "at today's NCBI" << eutils;
        QTest::newRow("switched to the archive") << false << "optSourceUniGene"
                                                 << "on the UniGene archive pages" << archive;
        QTest::newRow("started on the archive") << true << ""
                                                << "on the UniGene archive pages" << archive;
        QTest::newRow("switched back") << true << "optSourceEutils"
                                       << "at today's NCBI" << eutils;
    }
    void searchOnTheSource() {
        QFETCH(bool, startOnArchive);
        QFETCH(QString, click);
        QFETCH(QString, shown);
        QFETCH(QString, header);
        auto app = App();
        if (startOnArchive) app->ctx.settings.Source = Settings::SequenceSource::UniGene;
        FrmQuill* q = app->Open();
        if (!click.isEmpty()) app->Click(qPrintable(click));
        QVERIFY2(Text(q, "lblSource").contains(shown), qPrintable(Text(q, "lblSource")));
        SetAdvanced(q, {"Pax6", "Nosuchgene"});
        Click(q, "cmdSearch");
        QCOMPARE(Text(q, "lblLoading"), QString("Search complete"));
        const SearchResults& results = q->Engine().Results();
        QCOMPARE(results.lstmRNA.text, QStringList{"Pax6"});
        QCOMPARE(results.lstNotFound.text, QStringList{"Nosuchgene"});
        const QString cdna = FrmQuill::BoxText(Find<QPlainTextEdit>(q, "txtcDNA"));
        QVERIFY2(cdna.contains(header + "\r\n        1 "), qPrintable(cdna));
        QVERIFY(FrmQuill::BoxText(Find<QPlainTextEdit>(q, "txtSummary"))
                    .contains("1 queries found (1 sequences found)"));
    }

    // What the user types is kept and comes back in the next window; an
    // empty key field takes the environment's key, which is not kept.
    void accountKept() {
        {
            auto app = App();
            app->Open();
            FrmOptions* options = app->Options();
            options->show();
            Type("txtEmail", options, " me@example.org ");
            Type("txtApiKey", options, "key-one");
            QCOMPARE(app->ctx.settings.EutilsEmail, QString("me@example.org"));
            QCOMPARE(app->ctx.settings.EutilsApiKey, QString("key-one"));
            options->accept();
            QCOMPARE(Kept().value("eutils/email").toString(), QString("me@example.org"));
            QCOMPARE(Kept().value("eutils/apiKey").toString(), QString("key-one"));
        }
        qputenv("NCBI_API_KEY", " key-env\n");
        {
            auto app = App();
            app->Open();
            FrmOptions* options = app->Options();
            QCOMPARE(Text(options, "txtEmail"), QString("me@example.org"));
            QCOMPARE(app->ctx.settings.EutilsEmail, QString("me@example.org"));
            QCOMPARE(app->ctx.settings.EutilsApiKey, QString("key-one"));  // typed wins
            options->show();
            Type("txtApiKey", options, "");
            QCOMPARE(app->ctx.settings.EutilsApiKey, QString("key-env"));
            options->accept();
            QCOMPARE(Kept().value("eutils/apiKey").toString(), QString());
        }
        qunsetenv("NCBI_API_KEY");
        // Without typing, nothing is written.
        const QDateTime written = QFileInfo(FrmOptions::UserSettingsFile()).lastModified();
        {
            auto app = App();
            app->Open();
            app->Options()->show();
            app->Options()->accept();
        }
        QCOMPARE(QFileInfo(FrmOptions::UserSettingsFile()).lastModified(), written);
    }
};

QTEST_MAIN(EutilsWindowTest)
#include "test_eutilswindow.moc"
