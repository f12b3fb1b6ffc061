#include "tools/femapsim-server/local_server.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "femap/com/com_init.h"
#include "femap/com/com_ptr.h"
#include "femap/com/served_object.h"
#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "tools/femapsim-server/registration.h"
#include "tools/femapsim-server/simulator_control.h"

namespace femapsim::server {
namespace {

using femap::com::ComPtr;
using Clock = std::chrono::steady_clock;

constexpr int kExitForced = 3;
constexpr auto kGraceToEnd = std::chrono::seconds(5);

// Ends the serving thread's message loop.
void quitLoop(DWORD thread) { PostThreadMessageW(thread, WM_QUIT, 0, 0); }

// Watches the server from a thread of its own: asks the message loop to end when the server
// was idle or alive too long, and ends the process if the loop does not end in time.
class Watchdog {
 public:
  Watchdog(int idleSeconds, int lifetimeSeconds, DWORD servingThread)
      : idle_(idleSeconds), lifetime_(lifetimeSeconds), servingThread_(servingThread),
        thread_([this] { watch(); }) {}
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    woken_.notify_all();
    thread_.join();
  }

 private:
  void watch() {
    const Clock::time_point started = Clock::now();
    std::unique_lock lock(mutex_);
    while (!woken_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stopping_; })) {
      const Clock::time_point now = Clock::now();
      const char* reason = nullptr;
      if (lifetime_.count() > 0 && now - started >= lifetime_) {
        reason = "its lifetime is over";
      } else if (idle_.count() > 0 && now - femap::com::lastServedCall() >= idle_) {
        reason = "no client called for too long";
      }
      if (!reason) continue;
      std::fprintf(stderr, "femapsim-server: ending, %s\n", reason);
      quitLoop(servingThread_);
      if (!woken_.wait_for(lock, kGraceToEnd, [this] { return stopping_; })) {
        std::fprintf(stderr, "femapsim-server: did not end in time, stopping\n");
        TerminateProcess(GetCurrentProcess(), kExitForced);
      }
      return;
    }
  }

  const std::chrono::seconds idle_;
  const std::chrono::seconds lifetime_;
  const DWORD servingThread_;
  std::mutex mutex_;
  std::condition_variable woken_;
  bool stopping_ = false;
  std::thread thread_;
};

// The applications this process serves, and the one the running-object table shows.
class Applications {
 public:
  Applications(std::string messageFile, DWORD servingThread)
      : messageFile_(std::move(messageFile)), servingThread_(servingThread) {}
  Applications(const Applications&) = delete;
  Applications& operator=(const Applications&) = delete;
  ~Applications() { revoke(); }

  // A new FEMAP, which becomes the running one.
  ComPtr<IDispatch> start(const std::vector<std::string>& models = {}) {
    auto application = std::make_shared<Application>();
    if (!messageFile_.empty()) application->setMessageFile(messageFile_);
    for (const std::string& model : models) {
      if (application->openModel(model) != femap::kOk) {
        std::fprintf(stderr, "femapsim-server: %s\n", application->lastFailure().c_str());
      }
    }
    const DWORD thread = servingThread_;
    ComPtr<IDispatch> served = femap::com::serve(
        femap::Object(std::make_shared<SimulatorControl>(application, [thread] { quitLoop(thread); })));
    revoke();
    const HRESULT result = RegisterActiveObject(served.get(), kApplicationClass, ACTIVEOBJECT_STRONG, &cookie_);
    if (FAILED(result)) {
      cookie_ = 0;
      std::fprintf(stderr, "femapsim-server: cannot enter the running-object table (0x%08lX)\n",
                   static_cast<unsigned long>(result));
    }
    return served;
  }

 private:
  void revoke() {
    if (cookie_) RevokeActiveObject(std::exchange(cookie_, 0), nullptr);
  }

  std::string messageFile_;
  DWORD servingThread_;
  DWORD cookie_ = 0;
};

class ApplicationFactory final : public IClassFactory {
 public:
  explicit ApplicationFactory(Applications& applications) : applications_(applications) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the serving thread's stack for as long as it is registered.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    femap::com::noteServedCall();
    try {
      return applications_.start()->QueryInterface(riid, object);
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "femapsim-server: %s\n", failure.what());
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  Applications& applications_;
};

// The class factory's registration with COM, revoked when the object goes.
class ClassRegistration {
 public:
  explicit ClassRegistration(IClassFactory* factory) {
    const HRESULT result = CoRegisterClassObject(kApplicationClass, factory, CLSCTX_LOCAL_SERVER,
                                                 REGCLS_MULTIPLEUSE, &cookie_);
    if (FAILED(result)) throw femap::Error("cannot register the class factory");
  }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;
  ~ClassRegistration() { CoRevokeClassObject(cookie_); }

 private:
  DWORD cookie_ = 0;
};

void runMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int runServer(const ServerOptions& options) {
  const DWORD servingThread = GetCurrentThreadId();
  // Declared first, so that it still watches while everything else is taken down.
  Watchdog watchdog(options.idleSeconds, options.lifetimeSeconds, servingThread);
  try {
    femap::com::ComInit com;
    {
      Applications applications(options.messageFile, servingThread);
      ComPtr<IDispatch> running;
      if (!options.embedding) running = applications.start(options.openModels);
      ApplicationFactory factory(applications);
      ClassRegistration registration(&factory);
      femap::com::noteServedCall();
      runMessageLoop();
    }
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "femapsim-server: %s\n", failure.what());
    return 1;
  }
}

}  // namespace femapsim::server
