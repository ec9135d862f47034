#pragma once

#include <string>

#include "server/store/store.h"

namespace lumeno::server {

// The demo account that ./run and the README name.
inline constexpr const char* kDemoAccount = "demo";
inline constexpr const char* kDemoPassword = "lumeno123";

// Fills an empty store with the demo world: a dozen people with Chinese and Latin names,
// friendships at several distances, one-to-one, group and anonymous conversations with
// messages of every kind, job posts and pending items of every type.
void SeedDemo(Store& store);

struct BulkSize {
    int conversations = 1000;
    int messages = 50;  // per conversation
    int contacts = 10000;
    int days = 7;  // messages spread over this many days before now
};

// The account "bench" (password as the demo's) with `contacts` friends and `conversations`
// conversations (every tenth a group) of `messages` messages each, for benchmarks.
void SeedBulk(Store& store, const BulkSize& size);

// True when the store already holds users (a seed is then not applied again).
bool StoreHasUsers(Store& store);

}  // namespace lumeno::server
