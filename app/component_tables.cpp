#include "app/component_tables.h"

#include "net/url_encode.h"
#include "storage/sqlite_component.h"
#include "util/component_registry.h"
#include "util/pinyin/chinese_to_pinyin.h"
#include "util/small_components.h"

void RegisterProgramComponentTables() {
    RegisterComponentTable(kUtilComponentTable);
    RegisterComponentTable(kPinyinComponentTable);
    RegisterComponentTable(kNetComponentTable);
    RegisterComponentTable(kStorageComponentTable);
}
