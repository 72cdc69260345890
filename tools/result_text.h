// What a result code of the plug-in means, in words for a person.
#pragma once

#include <cstdint>
#include <string>

std::string ResultText(int32_t result);
