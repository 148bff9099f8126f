#pragma once
// Table definitions: the fields of a record buffer in record order and the
// table's keys, described once per table and used by every program.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "fields.h"

namespace store {

enum class FieldType { UInt8, Int16, UInt16, Int32, Decimal, Date, String, Memo, Blob };

struct FieldDef {
  std::string name;   // own name without prefix: "CODETEMA"
  FieldType type = FieldType::UInt8;
  int width = 0;      // string characters, decimal digits
  int places = 0;     // decimal places
  int count = 1;      // array elements; 1 for a plain field
  bool array = false;
  std::size_t memoMax = 0;
  std::size_t offset = 0;      // of the first element's storage in the buffer
  std::size_t memSize = 0;     // bytes of one element in the buffer

  bool isText() const { return type == FieldType::String; }
  bool isLarge() const { return type == FieldType::Memo || type == FieldType::Blob; }
  // Bytes of one element in the record image (memos and blobs count 0).
  std::size_t recordSize() const;
};

enum KeyFlags : unsigned {
  Dup = 0,               // duplicates allowed
  Unique = 1,
  Primary = 2 | Unique,  // the primary key is unique
  CaseSensitive = 4,     // keys are case-insensitive unless this is given
  Descending = 8,
};

struct KeyDef {
  std::string name;      // own name without prefix: "KEYCODETEMA"
  int field = -1;        // index into fields
  bool unique = false;
  bool primary = false;
  bool caseSensitive = false;
  bool descending = false;
};

struct TableDef {
  std::string name;     // "Tema"
  std::string prefix;   // "TEM"
  std::vector<FieldDef> fields;
  std::vector<KeyDef> keys;
  std::size_t bufferSize = 0;

  // Buffers of the table's record type, for read-ahead copies.
  std::function<std::shared_ptr<void>()> makeBuffer;
  std::function<void(void* dst, const void* src)> copyBuffer;

  // Field or key by its name, with or without the prefix, any letter case;
  // -1 when there is none.
  int fieldIndex(std::string_view name) const;
  int keyIndex(std::string_view name) const;
  // "TEM:KEYCODETEMA": the name the system shows for a key.
  std::string keyLabel(int key) const;
  // Record size as the record image counts it (memos and blobs left out).
  std::size_t recordSize() const;
  // A text that changes whenever fields or keys change.
  std::string signature() const;
  // Whether two buffers of this table hold the same values (strings
  // compared as stored, padded).
  bool sameValues(const void* a, const void* b) const;
};

namespace detail {

template <class M>
struct FieldTraits;

template <class Int, FieldType T>
struct IntTraits {
  static constexpr FieldType type = T;
  static constexpr int width = 0, places = 0;
  static constexpr std::size_t memoMax = 0, memSize = sizeof(Int);
  static void* addr(Int& m) { return &m; }
};
template <> struct FieldTraits<std::uint8_t> : IntTraits<std::uint8_t, FieldType::UInt8> {};
template <> struct FieldTraits<std::int16_t> : IntTraits<std::int16_t, FieldType::Int16> {};
template <> struct FieldTraits<std::uint16_t> : IntTraits<std::uint16_t, FieldType::UInt16> {};
template <> struct FieldTraits<std::int32_t> : IntTraits<std::int32_t, FieldType::Int32> {};
template <> struct FieldTraits<Date> {
  static constexpr FieldType type = FieldType::Date;
  static constexpr int width = 0, places = 0;
  static constexpr std::size_t memoMax = 0, memSize = sizeof(std::int32_t);
  static void* addr(Date& m) { return &m.day; }
};
template <int D, int P> struct FieldTraits<Decimal<D, P>> {
  static constexpr FieldType type = FieldType::Decimal;
  static constexpr int width = D, places = P;
  static constexpr std::size_t memoMax = 0, memSize = sizeof(std::int64_t);
  static void* addr(Decimal<D, P>& m) { return &m.scaled; }
};
template <std::size_t N> struct FieldTraits<FixedString<N>> {
  static_assert(sizeof(FixedString<N>) == N);
  static constexpr FieldType type = FieldType::String;
  static constexpr int width = static_cast<int>(N), places = 0;
  static constexpr std::size_t memoMax = 0, memSize = N;
  static void* addr(FixedString<N>& m) { return m.data; }
};
template <std::size_t N> struct FieldTraits<Memo<N>> {
  static constexpr FieldType type = FieldType::Memo;
  static constexpr int width = 0, places = 0;
  static constexpr std::size_t memoMax = N, memSize = 0;
  static void* addr(Memo<N>& m) { return &m.text; }
};
template <> struct FieldTraits<Blob> {
  static constexpr FieldType type = FieldType::Blob;
  static constexpr int width = 0, places = 0;
  static constexpr std::size_t memoMax = 0, memSize = 0;
  static void* addr(Blob& m) { return &m.bytes; }
};

template <class M>
struct Shape {
  using Element = M;
  static constexpr int count = 1;
  static constexpr bool array = false;
  static Element& first(M& m) { return m; }
};
template <class E, std::size_t K>
struct Shape<std::array<E, K>> {
  using Element = E;
  static constexpr int count = static_cast<int>(K);
  static constexpr bool array = true;
  static Element& first(std::array<E, K>& m) { return m[0]; }
};

}  // namespace detail

// Builds a TableDef from a buffer struct R:
//   TableBuilder<Tema>("Tema", "TEM").field("CODETEMA", &Tema::CODETEMA)...
//     .key("KEYCODETEMA", "CODETEMA", Dup).build();
template <class R>
class TableBuilder {
 public:
  TableBuilder(std::string name, std::string prefix) : probe_(std::make_unique<R>()) {
    def_.name = std::move(name);
    def_.prefix = std::move(prefix);
    def_.bufferSize = sizeof(R);
    def_.makeBuffer = [] { return std::shared_ptr<void>(std::make_shared<R>()); };
    def_.copyBuffer = [](void* d, const void* s) { *static_cast<R*>(d) = *static_cast<const R*>(s); };
  }

  template <class M>
  TableBuilder& field(std::string name, M R::*member) {
    using S = detail::Shape<M>;
    using T = detail::FieldTraits<typename S::Element>;
    static_assert(!S::array || (T::type != FieldType::Memo && T::type != FieldType::Blob),
                  "memos and blobs cannot be arrays");
    FieldDef f;
    f.name = std::move(name);
    f.type = T::type;
    f.width = T::width;
    f.places = T::places;
    f.count = S::count;
    f.array = S::array;
    f.memoMax = T::memoMax;
    f.memSize = T::memSize;
    M& m = probe_.get()->*member;
    f.offset = static_cast<std::size_t>(static_cast<char*>(T::addr(S::first(m))) -
                                        reinterpret_cast<char*>(probe_.get()));
    def_.fields.push_back(std::move(f));
    return *this;
  }

  // `component` names a field; a leading '-' makes the key descending.
  TableBuilder& key(std::string name, std::string_view component, unsigned flags = Dup) {
    KeyDef k;
    k.name = std::move(name);
    if (!component.empty() && component[0] == '-') {
      k.descending = true;
      component.remove_prefix(1);
    }
    k.field = def_.fieldIndex(component);
    if (k.field < 0) throw std::logic_error("key on unknown field " + std::string(component));
    k.unique = (flags & Unique) != 0;
    k.primary = (flags & Primary) == Primary;
    k.caseSensitive = (flags & CaseSensitive) != 0;
    k.descending = k.descending || (flags & Descending) != 0;
    const FieldDef& f = def_.fields[static_cast<std::size_t>(k.field)];
    if (f.array || f.isLarge()) throw std::logic_error("key on an array, memo or blob: " + f.name);
    for (const auto& other : def_.keys)
      if (k.primary && other.primary) throw std::logic_error("two primary keys in " + def_.name);
    def_.keys.push_back(std::move(k));
    return *this;
  }

  TableDef build() { return def_; }

 private:
  std::unique_ptr<R> probe_;
  TableDef def_;
};

}  // namespace store
