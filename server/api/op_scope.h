#pragma once

#include <mutex>

#include "server/api/service.h"
#include "server/api/viewer.h"
#include "server/store/store.h"

namespace lumeno::server {

// One authenticated operation: holds the store lock and a transaction, and knows the signed-in
// user. Leaving without Commit() rolls everything back.
class OpScope {
  public:
    explicit OpScope(Call& call)
        : store_(call.service.store()),
          lock_(store_.Lock()),
          tx_(store_.Db()),
          viewer_(store_.Db(), Authenticate(store_.Db(), call.req), call.base_url) {}

    Store& store() { return store_; }
    Database& db() { return store_.Db(); }
    const UserRow& me() const { return viewer_.me(); }
    Viewer& viewer() { return viewer_; }
    void Commit() { tx_.Commit(); }

  private:
    Store& store_;
    std::unique_lock<std::mutex> lock_;
    Transaction tx_;
    Viewer viewer_;
};

}  // namespace lumeno::server
