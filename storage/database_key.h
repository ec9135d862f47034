#pragma once
// The key of the account databases and of the remembered accounts: derived from this machine, so
// that neither can be read on another one.

#include <string>

// The machine identity followed by "_zmxncbvqp;'[]*#@!%&^~/.,;:'": 60 bytes.
std::string DatabaseKey();
