#include "store/archive.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace fennel {
namespace {

const char* ErrorText(ArchiveErrorCode code) {
  switch (code) {
    case ArchiveErrorCode::EndOfFile: return "archive: unexpected end of file";
    case ArchiveErrorCode::BadIndex: return "archive: bad object index";
    case ArchiveErrorCode::BadClass: return "archive: unknown class";
    case ArchiveErrorCode::BadSchema: return "archive: unknown schema";
    case ArchiveErrorCode::MapFull: return "archive: object map full";
    case ArchiveErrorCode::WriteFailed: return "archive: write failed";
  }
  return "archive";
}

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000;
constexpr uint16_t kMaxClassName = 64;

}  // namespace

ArchiveError::ArchiveError(ArchiveErrorCode code) : std::runtime_error(ErrorText(code)), code_(code) {}

const ClassInfo* ClassRegistry::Find(std::string_view name) const {
  auto it = classes_.find(std::string(name));
  return it == classes_.end() ? nullptr : it->second;
}

size_t StringSource::Read(void* data, size_t size) {
  size_t n = std::min(size, bytes_.size() - pos_);
  std::memcpy(data, bytes_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t FileSource::Read(void* data, size_t size) {
  while (true) {
    ssize_t n = ::read(fd_, data, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

CArchive::CArchive(ArchiveSink& sink, const ClassRegistry& registry)
    : sink_(&sink), registry_(registry), buffer_(kBufferSize) {}

CArchive::CArchive(ArchiveSource& source, const ClassRegistry& registry)
    : source_(&source), registry_(registry), buffer_(kBufferSize) {
  loaded_.emplace_back();  // index 0: no object
}

CArchive::~CArchive() {
  // A storing archive is flushed by its owner; nothing may throw here.
}

void CArchive::Flush() {
  if (!sink_ || bufPos_ == 0) return;
  size_t n = bufPos_;
  bufPos_ = 0;
  if (!sink_->Write(buffer_.data(), n)) throw ArchiveError(ArchiveErrorCode::WriteFailed);
}

void CArchive::Put(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (size > 0) {
    if (bufPos_ == buffer_.size()) Flush();
    size_t n = std::min(size, buffer_.size() - bufPos_);
    std::memcpy(buffer_.data() + bufPos_, p, n);
    bufPos_ += n;
    p += n;
    size -= n;
  }
}

void CArchive::Get(void* data, size_t size) {
  auto* p = static_cast<unsigned char*>(data);
  while (size > 0) {
    if (bufPos_ == bufLen_) {
      bufPos_ = 0;
      bufLen_ = source_->Read(buffer_.data(), buffer_.size());
      if (bufLen_ == 0) throw ArchiveError(ArchiveErrorCode::EndOfFile);
    }
    size_t n = std::min(size, bufLen_ - bufPos_);
    std::memcpy(p, buffer_.data() + bufPos_, n);
    bufPos_ += n;
    p += n;
    size -= n;
  }
}

void CArchive::WriteU8(uint8_t v) { Put(&v, 1); }
void CArchive::WriteU16(uint16_t v) {
  unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
  Put(b, 2);
}
void CArchive::WriteU32(uint32_t v) {
  unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  Put(b, 4);
}

uint8_t CArchive::ReadU8() {
  uint8_t v;
  Get(&v, 1);
  return v;
}
uint16_t CArchive::ReadU16() {
  unsigned char b[2];
  Get(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
uint32_t CArchive::ReadU32() {
  unsigned char b[4];
  Get(b, 4);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}

void CArchive::WriteString(std::string_view s) {
  size_t n = s.size();
  if (n < 0xFF) {
    WriteU8(static_cast<uint8_t>(n));
  } else if (n < 0xFFFE) {
    WriteU8(0xFF);
    WriteU16(static_cast<uint16_t>(n));
  } else {
    WriteU8(0xFF);
    WriteU16(0xFFFF);
    WriteU32(static_cast<uint32_t>(n));
  }
  Put(s.data(), n);
}

std::string CArchive::ReadString() {
  bool wide = false;
  uint32_t n = ReadU8();
  if (n == 0xFF) {
    n = ReadU16();
    if (n == 0xFFFE) {
      // The wide form: a second prefix counts 2-byte characters.
      wide = true;
      n = ReadU8();
      if (n == 0xFF) {
        n = ReadU16();
        if (n == 0xFFFF) n = ReadU32();
      }
    } else if (n == 0xFFFF) {
      n = ReadU32();
    }
  }
  uint64_t bytes = wide ? uint64_t{n} * 2 : n;
  std::string s;
  if (bytes <= 65536) {  // the usual case: one read into place
    s.resize(static_cast<size_t>(bytes));
    Get(s.data(), s.size());
    if (wide) return ToCp932(s, "UTF-16LE").value_or(std::string());
    return s;
  }
  // A long string is read in steps, so a damaged length never allocates
  // more than the file holds.
  char chunk[4096];
  while (bytes > 0) {
    size_t step = static_cast<size_t>(std::min<uint64_t>(bytes, sizeof chunk));
    Get(chunk, step);
    s.append(chunk, step);
    bytes -= step;
  }
  if (wide) return ToCp932(s, "UTF-16LE").value_or(std::string());
  return s;
}

void CArchive::WriteCount(uint32_t n) {
  if (n < 0xFFFF) {
    WriteU16(static_cast<uint16_t>(n));
  } else {
    WriteU16(0xFFFF);
    WriteU32(n);
  }
}

uint32_t CArchive::ReadCount() {
  uint32_t n = ReadU16();
  return n == 0xFFFF ? ReadU32() : n;
}

bool CArchive::AtEnd() {
  if (!source_) return true;
  if (bufPos_ < bufLen_) return false;
  unsigned char extra;
  bufPos_ = 0;
  bufLen_ = source_->Read(&extra, 1);
  if (bufLen_ == 0) return true;
  buffer_[0] = extra;
  return false;
}

uint32_t CArchive::NextIndex() {
  if (mapCount_ >= kMaxMapEntries) throw ArchiveError(ArchiveErrorCode::MapFull);
  return ++mapCount_;
}

void CArchive::WriteIndex(uint32_t index, bool isClass) {
  if (index < kBigTag) {
    WriteU16(static_cast<uint16_t>(isClass ? (kClassTag | index) : index));
  } else {
    WriteU16(kBigTag);
    WriteU32(isClass ? (kBigClassTag | index) : index);
  }
}

void CArchive::WriteObject(const CObject* object) {
  if (!object) {
    WriteU16(kNullTag);
    return;
  }
  if (auto it = storedObjects_.find(object); it != storedObjects_.end()) {
    WriteIndex(it->second, false);
    return;
  }
  const ClassInfo& cls = object->GetRuntimeClass();
  if (auto it = storedClasses_.find(&cls); it != storedClasses_.end()) {
    WriteIndex(it->second, true);
  } else {
    WriteU16(kNewClassTag);
    WriteU16(cls.schema);
    WriteU16(static_cast<uint16_t>(cls.name.size()));
    Put(cls.name.data(), cls.name.size());
    storedClasses_[&cls] = NextIndex();
  }
  storedObjects_[object] = NextIndex();
  const_cast<CObject*>(object)->Serialize(*this);
}

CObject* CArchive::ReadObject() {
  uint16_t tag = ReadU16();
  uint32_t v = tag == kBigTag ? ReadU32() : ((tag & 0x7FFFu) | ((tag & 0x8000u) ? kBigClassTag : 0u));

  if (!(v & kBigClassTag)) {
    if (v == 0) return nullptr;
    if (v >= loaded_.size() || !loaded_[v].object) throw ArchiveError(ArchiveErrorCode::BadIndex);
    return loaded_[v].object;
  }

  const ClassInfo* cls = nullptr;
  if (tag == kNewClassTag) {
    uint16_t schema = ReadU16();
    uint16_t len = ReadU16();
    if (len >= kMaxClassName) throw ArchiveError(ArchiveErrorCode::BadClass);
    char name[kMaxClassName];
    try {
      Get(name, len);
    } catch (const ArchiveError&) {
      throw ArchiveError(ArchiveErrorCode::BadClass);
    }
    cls = registry_.Find(std::string_view(name, len));
    if (!cls) throw ArchiveError(ArchiveErrorCode::BadClass);
    if (cls->schema != schema) throw ArchiveError(ArchiveErrorCode::BadSchema);
    NextIndex();
    loaded_.push_back(LoadEntry{cls, nullptr, nullptr});
  } else {
    uint32_t c = v & ~kBigClassTag;
    if (c >= loaded_.size() || !loaded_[c].cls || loaded_[c].object) throw ArchiveError(ArchiveErrorCode::BadIndex);
    cls = loaded_[c].cls;
  }

  std::unique_ptr<CObject> object = cls->create();
  CObject* raw = object.get();
  NextIndex();
  loaded_.push_back(LoadEntry{nullptr, raw, std::move(object)});
  raw->Serialize(*this);
  return raw;
}

std::unique_ptr<CObject> CArchive::TakeObject(CObject* object) {
  // Nearly always the object just read, so the search starts at the end.
  for (size_t i = loaded_.size(); i-- > 1;) {
    if (loaded_[i].object != object) continue;
    if (!loaded_[i].owned) break;  // already in a list
    return std::move(loaded_[i].owned);
  }
  throw ArchiveError(ArchiveErrorCode::BadIndex);
}

}  // namespace fennel
