#include "cli/TiffMetadata.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr uint16_t kExifPointer = 34665, kGpsPointer = 34853, kInteropPointer = 40965, kIptc = 33723;
constexpr uint16_t kPixelXDimension = 40962, kPixelYDimension = 40963;
constexpr uint16_t kImageLength = 257, kCompression = 259, kStripOffsets = 273, kRowsPerStrip = 278,
                   kStripByteCounts = 279;
constexpr uint16_t kShort = 3, kLong = 4, kDirectory = 13;
// Values one directory may hold: far beyond any real one, short of what
// entries pointing again and again at one large stretch would copy.
constexpr size_t kMaxDirectoryBytes = size_t{64} << 20;
// Tags of the first directory that describe the photo rather than the pixels.
constexpr uint16_t kDescriptions[] = {270, 271, 272, 305, 306, 315, 33432};
constexpr char kExifHeader[] = "Exif\0";  // with the NUL, six bytes
constexpr size_t kExifHeaderBytes = sizeof kExifHeader;

// Bytes of one element of each field type; 0: a type this does not know.
size_t TypeBytes(uint16_t type) {
  static const uint8_t bytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < sizeof bytes ? bytes[type] : 0;
}
// Bytes swapped as one number when the byte order changes: a rational is two.
size_t SwapBytes(uint16_t type) { return type == 5 || type == 10 ? 4 : TypeBytes(type); }

// A classic TIFF in memory, bounds checked.
struct Tiff {
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool big = false;  // "MM": big-endian

  bool Has(size_t at, size_t count) const { return at <= size && count <= size - at; }
  uint32_t Get(size_t at, size_t count) const {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) value |= uint32_t(data[at + i]) << 8 * (big ? count - 1 - i : i);
    return value;
  }
};

bool OpenTiff(const uint8_t* data, size_t size, Tiff* tiff) {
  if (size < 8) return false;
  tiff->data = data;
  tiff->size = size;
  tiff->big = data[0] == 'M';
  return (std::memcmp(data, "II", 2) == 0 || std::memcmp(data, "MM", 2) == 0) && tiff->Get(2, 2) == 42;
}

// Where the directory at offset holds tag's entry, or 0 when it holds none.
size_t EntryAt(const Tiff& tiff, uint32_t offset, uint16_t tag) {
  if (!tiff.Has(offset, 2)) return 0;
  uint32_t count = tiff.Get(offset, 2);
  for (size_t at = size_t(offset) + 2, i = 0; i < count && tiff.Has(at, 12); ++i, at += 12)
    if (tiff.Get(at, 2) == tag) return at;
  return 0;
}

struct Entry {
  uint16_t tag = 0, type = 0;
  uint32_t count = 0;
  std::string value;  // the whole value, in the written file's byte order
};

// The bytes written after a file's end, which stands at base.
struct Writer {
  std::string bytes;
  uint32_t base = 0;
  bool big = false;

  uint32_t Here() const { return base + uint32_t(bytes.size()); }
  void Put(uint32_t value, size_t count) {
    for (size_t i = 0; i < count; ++i) bytes += char(value >> 8 * (big ? count - 1 - i : i));
  }
  void Align() {
    if (bytes.size() % 2 != 0) bytes += '\0';
  }
};

std::string ValueIn(const Tiff& from, size_t at, const Entry& entry, bool big) {
  size_t bytes = size_t(entry.count) * TypeBytes(entry.type), unit = SwapBytes(entry.type);
  std::string value(reinterpret_cast<const char*>(from.data + at), bytes);
  if (from.big != big && unit > 1)
    for (size_t i = 0; i + unit <= bytes; i += unit)
      std::reverse(value.begin() + long(i), value.begin() + long(i + unit));
  return value;
}

// The entries of the directory at offset; false when it runs off the data.
bool ReadDirectory(const Tiff& from, uint32_t offset, bool big, std::vector<Entry>* entries, uint32_t* next) {
  if (!from.Has(offset, 2)) return false;
  uint32_t count = from.Get(offset, 2);
  size_t at = offset + 2;
  if (!from.Has(at, size_t(count) * 12 + 4)) return false;
  size_t total = 0;
  for (uint32_t i = 0; i < count; ++i, at += 12) {
    Entry entry;
    entry.tag = uint16_t(from.Get(at, 2));
    entry.type = uint16_t(from.Get(at + 2, 2));
    entry.count = from.Get(at + 4, 4);
    size_t bytes = size_t(entry.count) * TypeBytes(entry.type);
    if (TypeBytes(entry.type) == 0) continue;
    size_t valueAt = bytes <= 4 ? at + 8 : from.Get(at + 8, 4);
    if (!from.Has(valueAt, bytes)) continue;
    if ((total += bytes) > kMaxDirectoryBytes) return false;
    entry.value = ValueIn(from, valueAt, entry, big);
    entries->push_back(entry);
  }
  *next = from.Get(at, 4);
  return true;
}

// Writes the entries' long values, then the directory; its offset.
uint32_t WriteDirectory(std::vector<Entry> entries, uint32_t next, Writer* out) {
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  std::vector<uint32_t> places(entries.size(), 0);
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].value.size() > 4) {
      out->Align();
      places[i] = out->Here();
      out->bytes += entries[i].value;
    }
  out->Align();
  uint32_t offset = out->Here();
  out->Put(uint32_t(entries.size()), 2);
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    out->Put(entry.tag, 2);
    out->Put(entry.type, 2);
    out->Put(entry.count, 4);
    if (entry.value.size() <= 4)
      out->bytes += (entry.value + std::string(4, '\0')).substr(0, 4);
    else
      out->Put(places[i], 4);
  }
  out->Put(next, 4);
  return offset;
}

Entry Pointer(uint16_t tag, uint32_t offset, bool big) {
  Writer value{"", 0, big};
  value.Put(offset, 4);
  return Entry{tag, kLong, 1, value.bytes};
}

// Copies the Exif or GPS directory the entry points to; the entry pointing
// to the copy, or none when the directory cannot be read.
std::vector<Entry> CopySubDirectory(const Tiff& from, const Entry& pointer, Writer* out) {
  std::vector<Entry> entries;
  uint32_t next = 0;
  if (pointer.value.size() != 4) return {};
  Tiff order = {reinterpret_cast<const uint8_t*>(pointer.value.data()), 4, out->big};
  if (!ReadDirectory(from, order.Get(0, 4), out->big, &entries, &next)) return {};
  // Directories further down are left out: their pointers lead into the source.
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const Entry& e) {
                                 return e.type == kDirectory || e.tag == kInteropPointer || e.tag == kExifPointer ||
                                        e.tag == kGpsPointer;
                               }),
                entries.end());
  return {Pointer(pointer.tag, WriteDirectory(entries, 0, out), out->big)};
}

bool IsDescription(uint16_t tag) {
  return std::find(std::begin(kDescriptions), std::end(kDescriptions), tag) != std::end(kDescriptions);
}

// What the first directory of from holds of EXIF: its descriptions, and its
// Exif and GPS directories copied into out.
std::vector<Entry> ExifEntries(const Tiff& from, Writer* out) {
  std::vector<Entry> first, kept;
  uint32_t next = 0;
  if (!ReadDirectory(from, from.Get(4, 4), out->big, &first, &next)) return {};
  for (const Entry& entry : first)
    if (entry.tag == kExifPointer || entry.tag == kGpsPointer) {
      for (const Entry& copy : CopySubDirectory(from, entry, out)) kept.push_back(copy);
    } else if (IsDescription(entry.tag)) {
      kept.push_back(entry);
    }
  return kept;
}

struct Mapping {
  const uint8_t* data = nullptr;
  size_t size = 0;
  ~Mapping() {
    if (data != nullptr) munmap(const_cast<uint8_t*>(data), size);
  }
};

bool Map(int fd, Mapping* mapping) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_size < 8) return false;
  void* data = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
  if (data == MAP_FAILED) return false;
  mapping->data = static_cast<const uint8_t*>(data);
  mapping->size = size_t(info.st_size);
  return true;
}

struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

Failure AddTiffMetadata(const std::string& path, const std::string& exif, const std::string& iptc) {
  if (exif.empty() && iptc.empty()) return {};
  Descriptor file{open(path.c_str(), O_RDWR | O_CLOEXEC)};
  Mapping mapping;
  Tiff written;
  if (file.fd < 0 || !Map(file.fd, &mapping))
    return Fail(kExitOutput, path + ": cannot add the EXIF and IPTC (" + std::strerror(errno) + ")");
  // A BigTIFF keeps what libvips wrote.
  if (!OpenTiff(mapping.data, mapping.size, &written)) return {};
  // Appended: the values already written stay where they are, so the old
  // directory's offsets (the strips among them) hold in the new one.
  Writer out{std::string(mapping.size % 2, '\0'), uint32_t(std::min<size_t>(mapping.size, UINT32_MAX)), written.big};
  std::vector<Entry> entries, added;
  uint32_t next = 0;
  if (mapping.size >= UINT32_MAX || !ReadDirectory(written, written.Get(4, 4), written.big, &entries, &next))
    return Fail(kExitOutput, path + ": cannot add the EXIF and IPTC to what libvips wrote");
  // PNG's EXIF comes without JPEG's "Exif" header.
  size_t skip = exif.compare(0, kExifHeaderBytes, kExifHeader, kExifHeaderBytes) == 0 ? kExifHeaderBytes : 0;
  Tiff source;
  if (OpenTiff(reinterpret_cast<const uint8_t*>(exif.data()) + skip, exif.size() - skip, &source))
    added = ExifEntries(source, &out);
  // Readers expect the records as whole longs, as Photoshop writes them.
  std::string records = iptc + std::string((4 - iptc.size() % 4) % 4, '\0');
  if (!iptc.empty()) added.push_back(Entry{kIptc, kLong, uint32_t(records.size() / 4), records});
  // The file's own descriptions win over the camera's.
  for (const Entry& entry : entries)
    added.erase(std::remove_if(added.begin(), added.end(), [&](const Entry& a) { return a.tag == entry.tag; }),
                added.end());
  entries.insert(entries.end(), added.begin(), added.end());
  uint32_t directory = WriteDirectory(entries, next, &out);
  Writer header{"", 0, written.big};
  header.Put(directory, 4);
  if (uint64_t(out.base) + out.bytes.size() > UINT32_MAX)
    return Fail(kExitOutput, path + ": too large a TIFF for its EXIF and IPTC (4 GiB at most)");
  bool done = pwrite(file.fd, out.bytes.data(), out.bytes.size(), off_t(out.base)) == ssize_t(out.bytes.size()) &&
              pwrite(file.fd, header.bytes.data(), 4, 4) == 4;
  if (!done) return Fail(kExitOutput, path + ": cannot write (" + std::strerror(errno) + ")");
  return {};
}

std::string TiffExif(const std::string& path) {
  Descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  Mapping mapping;
  Tiff input;
  if (file.fd < 0 || !Map(file.fd, &mapping) || !OpenTiff(mapping.data, mapping.size, &input)) return "";
  Writer out{"II*", 0, false};
  out.bytes += '\0';
  out.Put(0, 4);  // the first directory's offset, known once the rest is written
  std::vector<Entry> entries = ExifEntries(input, &out);
  if (entries.empty()) return "";
  uint32_t directory = WriteDirectory(entries, 0, &out);
  Writer offset{"", 0, false};
  offset.Put(directory, 4);
  out.bytes.replace(4, 4, offset.bytes);
  return std::string(kExifHeader, kExifHeaderBytes) + out.bytes;
}

void SetExifPixelSize(uint8_t* exif, size_t size, uint32_t width, uint32_t height) {
  size_t skip = size >= kExifHeaderBytes && std::memcmp(exif, kExifHeader, kExifHeaderBytes) == 0 ? kExifHeaderBytes : 0;
  Tiff tiff;
  if (!OpenTiff(exif + skip, size - skip, &tiff)) return;
  size_t pointer = EntryAt(tiff, tiff.Get(4, 4), kExifPointer);
  if (pointer == 0) return;
  for (auto [tag, value] : {std::pair{kPixelXDimension, width}, std::pair{kPixelYDimension, height}}) {
    size_t entry = EntryAt(tiff, tiff.Get(pointer + 8, 4), tag);
    if (entry == 0 || tiff.Get(entry + 4, 4) != 1) continue;
    uint32_t type = tiff.Get(entry + 2, 2);
    size_t bytes = type == kShort ? 2 : type == kLong ? 4 : 0;
    for (size_t i = 0; i < bytes; ++i)
      exif[skip + entry + 8 + i] = uint8_t(value >> 8 * (tiff.big ? bytes - 1 - i : i));
  }
}

namespace {

uint32_t ValueOf(const Entry& entry, bool big) {
  Tiff value{reinterpret_cast<const uint8_t*>(entry.value.data()), entry.value.size(), big};
  size_t bytes = TypeBytes(entry.type);
  return entry.count == 1 && (bytes == 2 || bytes == 4) ? value.Get(0, bytes) : 0;
}

// count longs, each what value gives for its index.
template <typename Value>
Entry Longs(uint16_t tag, uint32_t count, bool big, Value value) {
  Writer longs{"", 0, big};
  for (uint32_t i = 0; i < count; ++i) longs.Put(value(i), 4);
  return Entry{tag, kLong, count, longs.bytes};
}

}  // namespace

bool TiffFrameForRows(const std::string& standIn, uint32_t height, uint64_t rowBytes, std::string* head,
                      std::string* tail) {
  Tiff from;
  std::vector<Entry> entries;
  uint32_t next = 0;
  if (!OpenTiff(reinterpret_cast<const uint8_t*>(standIn.data()), standIn.size(), &from) ||
      !ReadDirectory(from, from.Get(4, 4), from.big, &entries, &next) || next != 0)
    return false;
  uint32_t rowsPerStrip = 0, compression = 0;
  for (const Entry& entry : entries) {
    if (entry.tag == kRowsPerStrip) rowsPerStrip = ValueOf(entry, from.big);
    if (entry.tag == kCompression) compression = ValueOf(entry, from.big);
    // A pointer into the stand-in would point nowhere in the file.
    if (entry.type == kDirectory || entry.tag == kExifPointer || entry.tag == kGpsPointer) return false;
  }
  uint64_t end = 8 + uint64_t(height) * rowBytes;
  if (rowsPerStrip == 0 || compression != 1 || height == 0 || end >= UINT32_MAX / 2) return false;
  uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
  uint64_t stripBytes = uint64_t(rowsPerStrip) * rowBytes;
  for (Entry& entry : entries) {
    if (entry.tag == kImageLength) entry = Longs(kImageLength, 1, from.big, [&](uint32_t) { return height; });
    if (entry.tag == kStripOffsets)
      entry = Longs(kStripOffsets, strips, from.big, [&](uint32_t k) { return uint32_t(8 + k * stripBytes); });
    if (entry.tag == kStripByteCounts)
      entry = Longs(kStripByteCounts, strips, from.big,
                    [&](uint32_t k) { return uint32_t(std::min(stripBytes, end - 8 - k * stripBytes)); });
  }
  Writer out{std::string(end % 2, '\0'), uint32_t(end), from.big};
  uint32_t directory = WriteDirectory(entries, 0, &out);
  Writer header{standIn.substr(0, 4), 0, from.big};
  header.Put(directory, 4);
  *head = header.bytes;
  *tail = out.bytes;
  return true;
}
