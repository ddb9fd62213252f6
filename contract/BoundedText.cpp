#include "contract/BoundedText.h"

#include <cstring>

void PrefixedToTerminated(char* text) {
  uint8_t length = static_cast<uint8_t>(text[0]);
  std::memmove(text, text + 1, length);
  text[length] = 0;
}

void TerminatedToPrefixed(char* text) {
  size_t length = std::strlen(text);
  if (length > 255) length = 255;
  std::memmove(text + 1, text, length);
  text[0] = static_cast<char>(length);
}

void CopyTextBounded(const char* source, char* target, uint32_t size) {
  if (size == 0) return;
  uint32_t i = 0;
  if (source != nullptr)
    for (; i < size && source[i] != 0; ++i) target[i] = source[i];
  if (i < size) target[i] = 0;
  target[size - 1] = 0;
}

void JoinTextBounded(const char* first, const char* second, char* target, uint32_t size) {
  if (size == 0) return;
  size_t firstLength = std::strlen(first);
  if (firstLength > size - 1) firstLength = size - 1;
  size_t secondLength = std::strlen(second);
  if (firstLength + secondLength >= size) secondLength = size - 1 - firstLength;
  if (target != first) std::memmove(target, first, firstLength);
  std::memmove(target + firstLength, second, secondLength);
  target[firstLength + secondLength] = 0;
}
