#pragma once
// A private data directory and the component registry for storage tests.

#include <gtest/gtest.h>

#include "storage/sqlite_component.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace lumeno::test {

class StorageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseTempDataHome(dir_);
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
        ASSERT_EQ(sqlite_.Get(80), S_OK);
    }
    TempDir dir_;
    KesPtr<ISqlite> sqlite_;
};

}  // namespace lumeno::test
