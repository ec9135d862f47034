// The program registers every component the client asks for.
#include <gtest/gtest.h>

#include "app/component_tables.h"
#include "util/component_registry.h"

namespace {

TEST(ProgramComponents, EveryRequestedComponentIsRegistered) {
    RegisterProgramComponentTables();
    ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    for (int number : {3, 4, 5, 6, 7, 10, 24, 25, 26, 27, 80, 81, 142}) {
        IKesPlugin* component = nullptr;
        ASSERT_EQ(GetComponent(number, &component), S_OK) << number;
        EXPECT_EQ(component->GetId(), number);
        component->Release();
    }
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
}

}  // namespace
