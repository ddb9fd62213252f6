// Field-by-field checks of the three resources, shared by the tests of the
// generator's images and of the resources the built modules carry.
#pragma once

#include <cstdint>
#include <span>

enum class ModuleMachine;

void ExpectPluginProperties(std::span<const uint8_t> bytes, ModuleMachine machine);
void ExpectTerminology(std::span<const uint8_t> bytes);
void ExpectDialogTemplate(std::span<const uint8_t> bytes);
