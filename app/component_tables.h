#pragma once
// Hands every subsystem's component table to the registry.

void RegisterProgramComponentTables();
