// The page server module: pageserver.cpp with cpp-httplib, OpenSSL and
// brotli, loaded by quill_core's stand-in when the first page server starts.

#include <QtGlobal>

#include "modules/backendmodules.h"
#include "pageserver/pageserver.h"

namespace {

class Server : public quill::ModulePageServer {
  public:
    explicit Server(const QString& pagesDir) : server_(pagesDir) {}
    bool Start(const QString& host, int port) override { return server_.Start(host, port); }
    void Stop() override { server_.Stop(); }
    QString BaseUrl() const override { return server_.BaseUrl(); }
    QString Error() const override { return server_.Error(); }
    int RequestCount() const override { return server_.RequestCount(); }
    QList<qint64> ArrivalMs() const override { return server_.ArrivalMs(); }

  private:
    quill::PageServer server_;
};

quill::ModulePageServer* Create(const QString& pagesDir) {
    return new Server(pagesDir);
}

}  // namespace

extern "C" Q_DECL_EXPORT const void* quillfish_module() {
    static const quill::PageServerModule table{quill::kModuleVersion, &Create};
    return &table;
}
