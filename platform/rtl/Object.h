// Root classes of the framework: TObject (virtual destructor, class name)
// and TPersistent (Assign).
#pragma once
#include <string>

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The class name as the framework reports it ("TButton"); derived classes
  // override it when code asks for it.
  virtual std::string ClassName() const { return "TObject"; }
  template <class T>
  bool InheritsFrom() const { return dynamic_cast<const T*>(this) != nullptr; }
};

class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }
  // Copies the content of source; raises EConvertError when the two classes
  // cannot be assigned to each other (after asking source's AssignTo).
  virtual void Assign(const TPersistent* source);

 protected:
  virtual void AssignTo(TPersistent* dest) const;
};

// Frees an object and clears the reference, as FreeAndNil does.
template <class T>
void FreeAndNil(T*& p) {
  T* tmp = p;
  p = nullptr;
  delete tmp;
}
