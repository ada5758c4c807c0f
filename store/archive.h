// The record archive: the byte format of the user ID file and "past.fnl".
// Little-endian primitives, length-prefixed strings, and tagged object
// references for the records held in lists, with one object map (classes
// and objects share its indices) for the whole file. No header, no trailer:
// a file is exactly the encoding of its root record.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fennel {

class Prompter;
class CArchive;

enum class ArchiveErrorCode { EndOfFile, BadIndex, BadClass, BadSchema, MapFull, WriteFailed };

class ArchiveError : public std::runtime_error {
 public:
  explicit ArchiveError(ArchiveErrorCode code);
  ArchiveErrorCode code() const { return code_; }

 private:
  ArchiveErrorCode code_;
};

class CObject;

struct ClassInfo {
  std::string name;  // the bytes written for the class
  uint16_t schema;
  std::unique_ptr<CObject> (*create)();
};

// A serialisable record.
class CObject {
 public:
  virtual ~CObject() = default;
  virtual const ClassInfo& GetRuntimeClass() const = 0;
  // Writes or reads the fields, in one order, by the archive's direction.
  virtual void Serialize(CArchive& ar) = 0;
};

// The record classes that may appear in a file, looked up by exact name.
class ClassRegistry {
 public:
  void Register(const ClassInfo& info) { classes_[info.name] = &info; }
  const ClassInfo* Find(std::string_view name) const;
  // The registry of every record class of the store.
  static const ClassRegistry& Records();

 private:
  std::unordered_map<std::string, const ClassInfo*> classes_;
};

// Where the bytes of a storing archive go, and where a loading one reads them.
class ArchiveSink {
 public:
  virtual ~ArchiveSink() = default;
  virtual bool Write(const void* data, size_t size) = 0;
};

class ArchiveSource {
 public:
  virtual ~ArchiveSource() = default;
  // Up to size bytes; 0 at the end.
  virtual size_t Read(void* data, size_t size) = 0;
};

class StringSink : public ArchiveSink {
 public:
  bool Write(const void* data, size_t size) override {
    bytes.append(static_cast<const char*>(data), size);
    return true;
  }
  std::string bytes;
};

class StringSource : public ArchiveSource {
 public:
  explicit StringSource(std::string_view bytes) : bytes_(bytes) {}
  size_t Read(void* data, size_t size) override;

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

class FileSource : public ArchiveSource {
 public:
  explicit FileSource(int fd) : fd_(fd) {}
  size_t Read(void* data, size_t size) override;

 private:
  int fd_;
};

class CArchive {
 public:
  static constexpr uint32_t kMaxMapEntries = 0x3FFFFFFE;
  static constexpr size_t kBufferSize = 65536;

  explicit CArchive(ArchiveSink& sink, const ClassRegistry& registry = ClassRegistry::Records());
  explicit CArchive(ArchiveSource& source, const ClassRegistry& registry = ClassRegistry::Records());
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsStoring() const { return sink_ != nullptr; }
  bool IsLoading() const { return source_ != nullptr; }

  // Storing: writes out what the buffer holds. Throws WriteFailed.
  void Flush();

  void WriteU8(uint8_t v);
  void WriteU16(uint16_t v);
  void WriteU32(uint32_t v);
  void WriteTime(int64_t t) { WriteU32(static_cast<uint32_t>(t)); }
  void WriteString(std::string_view s);
  void WriteCount(uint32_t n);
  void WriteObject(const CObject* object);

  uint8_t ReadU8();
  uint16_t ReadU16();
  uint32_t ReadU32();
  int64_t ReadTime() { return ReadU32(); }
  std::string ReadString();
  uint32_t ReadCount();
  // Loading: true when every byte of the source has been read.
  bool AtEnd();
  // The object, or nullptr for "no object". A new object stays owned by the
  // archive until a list takes it (TakeObject).
  CObject* ReadObject();
  // Hands a loaded object over to its list. An object already taken (a
  // second reference to it) cannot be owned twice: bad-index.
  std::unique_ptr<CObject> TakeObject(CObject* object);

  // One call for both directions, for Serialize().
  void Io(int32_t& v) {
    if (IsStoring()) WriteU32(static_cast<uint32_t>(v)); else v = static_cast<int32_t>(ReadU32());
  }
  void Io(std::string& s) {
    if (IsStoring()) WriteString(s); else s = ReadString();
  }
  void IoTime(int64_t& t) {
    if (IsStoring()) WriteTime(t); else t = ReadTime();
  }

  // A list of records of class T: a count, then one object reference each.
  template <typename T>
  void IoList(std::vector<std::unique_ptr<T>>& list) {
    if (IsStoring()) {
      WriteCount(static_cast<uint32_t>(list.size()));
      for (const auto& item : list) WriteObject(item.get());
      return;
    }
    uint32_t n = ReadCount();
    for (uint32_t i = 0; i < n; ++i) {
      CObject* o = ReadObject();
      if (!o) continue;  // an empty slot holds nothing to keep
      if (!dynamic_cast<T*>(o)) throw ArchiveError(ArchiveErrorCode::BadClass);
      list.emplace_back(static_cast<T*>(TakeObject(o).release()));
    }
  }

  // Where records may report a problem while loading (may be null).
  Prompter* prompter() const { return prompter_; }
  void set_prompter(Prompter* p) { prompter_ = p; }

 private:
  void Put(const void* data, size_t size);
  void Get(void* data, size_t size);
  void WriteIndex(uint32_t index, bool isClass);
  uint32_t NextIndex();

  ArchiveSink* sink_ = nullptr;
  ArchiveSource* source_ = nullptr;
  const ClassRegistry& registry_;
  Prompter* prompter_ = nullptr;
  std::vector<unsigned char> buffer_;
  size_t bufPos_ = 0;
  size_t bufLen_ = 0;
  uint32_t mapCount_ = 0;  // entries made so far; index 0 is "no object"

  // Storing: objects and classes already written.
  std::unordered_map<const void*, uint32_t> storedObjects_;
  std::unordered_map<const ClassInfo*, uint32_t> storedClasses_;

  // Loading: the map by index. An entry owns its object until a list takes it.
  struct LoadEntry {
    const ClassInfo* cls = nullptr;
    CObject* object = nullptr;
    std::unique_ptr<CObject> owned;
  };
  std::deque<LoadEntry> loaded_;  // grows without copying what it holds
};

}  // namespace fennel
