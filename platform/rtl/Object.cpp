#include "platform/rtl/Object.h"

#include "platform/rtl/Exceptions.h"

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  throw EConvertError("Cannot assign nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + (dest ? dest->ClassName() : std::string("nil")));
}

[[noreturn]] void Abort() { throw EAbort(); }
