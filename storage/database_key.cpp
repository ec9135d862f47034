#include "storage/database_key.h"

#include "config/machine_identity.h"

std::string DatabaseKey() {
    return MachineId() + "_zmxncbvqp;'[]*#@!%&^~/.,;:'";
}
