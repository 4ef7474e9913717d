// Profile-page reading: the bytes are a page's markup, read as the body-site
// table of an expression profile and, through the screening engine, as both
// the search page (cluster link) and the profile page of one term.

#include <QString>
#include <cstdint>
#include <cstdlib>

#include "profile/screening.h"
#include "profile/screeningengine.h"
#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace {

using namespace quill;

struct SamePage : PageLoader {
    QString markup;
    int NavigateAndWait(const QString&) override { return Loaded; }
    QString Markup() const override { return markup; }
};

struct Quiet : ScreeningView {
    void EnterRunning() override {}
    void SetStatusLine(const QString&) override {}
    void AddProgress(int) override {}
    void EndCanceled() override {}
    void EndComplete(const QString&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString markup =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    if (const std::optional<Profile> p = ReadProfile(markup)) {
        if (p->rows.isEmpty() || p->rows.size() > kMaxProfileRows) std::abort();
        for (const ProfileRow& row : p->rows)
            if (row.TissueName.contains(QLatin1Char('<'))) std::abort();
        const bool human = markup.contains(QStringLiteral("adrenal gland"));
        if ((p->species == ProfileSpecies::Human) != human) std::abort();
    }

    Module1 module;
    Settings settings;
    settings.NcbiServerBase = QStringLiteral("http://x");
    SamePage loader;
    loader.markup = markup;
    FixedCriteria criteria;
    criteria.tissues = {{QStringLiteral("testis")}, {QStringLiteral("testis")}};
    Quiet view;
    ScreeningEngine engine(module, settings, loader, criteria, view);
    const ScreenOutcome outcome = engine.ScreenTerm(999, QStringLiteral("Pax:6"));
    if (outcome != kMatched && outcome != kNotMatched && outcome != kNoData) std::abort();
    return 0;
}
