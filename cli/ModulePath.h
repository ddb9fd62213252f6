// Where the command finds the plug-in module when --module names none.
#pragma once

#include <string>

// tarkel.so beside the program (a build tree), else ../lib/tarkel/tarkel.so
// from it (an installed tree); the first when neither exists, for the message.
std::string DefaultModulePath();
