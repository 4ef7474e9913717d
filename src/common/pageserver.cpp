// Placeholder until the page server lands.
#include "common/pageserver.h"

namespace quill {

struct PageServer::Impl {};
PageServer::PageServer(const QString&) : impl_(std::make_unique<Impl>()) {}
PageServer::~PageServer() = default;
bool PageServer::Start(const QString&, int) { return false; }
void PageServer::Stop() {}
QString PageServer::BaseUrl() const { return {}; }
QString PageServer::Error() const { return QStringLiteral("not available yet"); }
int PageServer::RequestCount() const { return 0; }
QString BundledPagesDir() { return QStringLiteral(QUILL_SOURCE_DIR "/data/pages"); }

}  // namespace quill
