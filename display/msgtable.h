// Message-handler tables: each window class carries a table from message number to handler, and
// a message is looked up from the object's own class upwards, through each table's parent. The
// first table that holds the number supplies the handler, so a derived class replaces the
// handler of its base for that number. A message that no table holds has no handler.
//
// The tables are plain data; the window shell (display/StdWin.h) keeps one per window class.
#pragma once

#include <cstdint>
#include <span>

namespace folivar {

namespace msgtable_detail {
template <class M>
struct TMemberClass;
template <class C, class R, class... A>
struct TMemberClass<R (C::*)(A...)> {
  using Type = C;
};
}  // namespace msgtable_detail

template <class Owner, class Message>
class TMessageTable {
 public:
  using Handler = void (*)(Owner&, Message&);
  struct Entry {
    uint32_t message;
    Handler handler;
  };

  // parent: the table of the base class, or null for the root class. Both the parent and the
  // entries outlive the table (they are statics of the classes).
  constexpr TMessageTable(const TMessageTable* parent, std::span<const Entry> entries)
      : parent_(parent), entries_(entries) {}

  // The handler for message from this table or the nearest parent that holds it; null if none.
  Handler Find(uint32_t message) const {
    for (const TMessageTable* table = this; table; table = table->parent_)
      for (const Entry& entry : table->entries_)
        if (entry.message == message) return entry.handler;
    return nullptr;
  }

  const TMessageTable* Parent() const { return parent_; }

  // An entry calling the member function Method (void Class::Method(Message&)) of the owner,
  // which must be a Class: only the table of Class or of a class derived from it may hold it.
  template <auto Method>
  static constexpr Entry On(uint32_t message) {
    return {message, &Call<Method>};
  }

 private:
  template <auto Method>
  static void Call(Owner& owner, Message& message) {
    using Class = typename msgtable_detail::TMemberClass<decltype(Method)>::Type;
    (static_cast<Class&>(owner).*Method)(message);
  }

  const TMessageTable* parent_;
  std::span<const Entry> entries_;
};

}  // namespace folivar
