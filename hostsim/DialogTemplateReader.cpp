#include "hostsim/DialogTemplateReader.h"

#include "hostsim/ByteReader.h"

namespace hostsim {

constexpr uint32_t kExtendedTemplateSignature = 0xFFFF0001;  // version 1, signature 0xFFFF

// An ordinal after 0xFFFF, or a text; a lone zero is the empty text.
static ResourceName ReadNameOrOrdinal(ByteReader& reader) {
  ByteReader peek = reader;
  if (ReadWord(peek) == 0xFFFF) {
    reader = peek;
    return ResourceName{true, ReadWord(reader), {}};
  }
  return ResourceName{false, 0, ReadWideText(reader)};
}

static DialogControlRecord ReadControl(ByteReader& reader) {
  DialogControlRecord control;
  SkipToAlignment(reader, 4);
  control.style = ReadLong(reader);
  control.extendedStyle = ReadLong(reader);
  control.x = int16_t(ReadWord(reader));
  control.y = int16_t(ReadWord(reader));
  control.width = int16_t(ReadWord(reader));
  control.height = int16_t(ReadWord(reader));
  control.id = ReadWord(reader);
  control.controlClass = ReadNameOrOrdinal(reader);
  control.text = ReadNameOrOrdinal(reader);
  std::span<const uint8_t> data = ReadBytes(reader, ReadWord(reader));
  control.creationData.assign(data.begin(), data.end());
  return control;
}

DialogTemplateRecords DecodeDialogTemplate(std::span<const uint8_t> bytes) {
  DialogTemplateRecords records;
  ByteReader reader{bytes};
  records.style = ReadLong(reader);
  if (records.style == kExtendedTemplateSignature) {
    records.error = "an extended dialog template is not decoded";
    return records;
  }
  records.extendedStyle = ReadLong(reader);
  records.statedCount = ReadWord(reader);
  records.x = int16_t(ReadWord(reader));
  records.y = int16_t(ReadWord(reader));
  records.width = int16_t(ReadWord(reader));
  records.height = int16_t(ReadWord(reader));
  records.menu = ReadNameOrOrdinal(reader);
  records.windowClass = ReadNameOrOrdinal(reader);
  records.title = ReadWideText(reader);
  if ((records.style & kDialogSetFont) != 0) {
    records.fontPoints = ReadWord(reader);
    records.fontName = ReadWideText(reader);
  }
  if (reader.failed) {
    records.error = "the dialog header is cut short";
    return records;
  }
  records.recordBytes = reader.at;
  for (uint16_t i = 0; i < records.statedCount; ++i) {
    DialogControlRecord control = ReadControl(reader);
    if (reader.failed) {
      records.error = "control " + std::to_string(i + 1) + " of " + std::to_string(records.statedCount) +
                      " is cut short";
      return records;
    }
    records.controls.push_back(std::move(control));
    records.recordBytes = reader.at;
  }
  return records;
}

}  // namespace hostsim
