#include "imaging/io/component/pictoraio_thread.h"

#include "imaging/io/component/pictoraio.h"

TVQIOThread::TVQIOThread(TPictoraIO* Component, std::function<void()> Entry)
    : TThread(true), component_(Component), entry_(std::move(Entry)) {}

void TVQIOThread::Launch(TPictoraIO* Component, std::function<void()> Entry) {
  auto* thread = new TVQIOThread(Component, std::move(Entry));
  thread->FreeOnTerminate = true;
  Component->threadLock_.Enter();
  Component->threads_.Add(thread);
  Component->threadLock_.Leave();
  thread->Resume();
}

void TVQIOThread::Execute() {
  try {
    entry_();
  } catch (...) {
    IODebugOutput("Exception in TVQIOThread.Execute");
    component_->Aborting = true;
  }
  entry_ = nullptr;
  // The component may be freed as soon as the list no longer holds us.
  component_->RemoveThread(this);
}
