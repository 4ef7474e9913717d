// In builds with back-end modules this file stands in for pageserver.cpp in
// quill_core: the same PageServer, whose server runs in the page server
// module (pageserver.cpp with cpp-httplib, OpenSSL and brotli; see
// backendmodules.h). The module is loaded by the first Start.

#include "modules/backendmodules.h"
#include "pageserver/pageserver.h"

namespace quill {

struct PageServer::Impl {
    QString pagesDir;
    std::unique_ptr<ModulePageServer> server;
    QString error;  // why the module could not be loaded
};

PageServer::PageServer(const QString& pagesDir) : impl_(std::make_unique<Impl>()) {
    impl_->pagesDir = pagesDir;
}

PageServer::~PageServer() = default;

bool PageServer::Start(const QString& host, int port) {
    if (!impl_->server) {
        const PageServerModule* module = LoadPageServerModule(&impl_->error);
        if (!module) return false;
        impl_->server.reset(module->create(impl_->pagesDir));
    }
    return impl_->server->Start(host, port);
}

void PageServer::Stop() {
    if (impl_->server) impl_->server->Stop();
}

QString PageServer::BaseUrl() const {
    return impl_->server ? impl_->server->BaseUrl() : QString();
}

QString PageServer::Error() const {
    return impl_->server ? impl_->server->Error() : impl_->error;
}

int PageServer::RequestCount() const {
    return impl_->server ? impl_->server->RequestCount() : 0;
}

QList<qint64> PageServer::ArrivalMs() const {
    return impl_->server ? impl_->server->ArrivalMs() : QList<qint64>();
}

}  // namespace quill
