#include "platform/audio/OutputProbe.h"

#include <alsa/asoundlib.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>

#include <chrono>
#include <memory>

namespace {

// How long a server that accepts the connection may take to answer.
constexpr std::chrono::seconds kAnswerLimit{2};

struct FreeMainloop {
  void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct UnrefContext {
  void operator()(pa_context* context) const { pa_context_unref(context); }
};

void KeepQuiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::string WhyPulseDoesNotOpen() {
  const std::unique_ptr<pa_mainloop, FreeMainloop> loop(pa_mainloop_new());
  if (!loop) return "out of memory";
  const std::unique_ptr<pa_context, UnrefContext> context(pa_context_new(pa_mainloop_get_api(loop.get()), "morva"));
  if (!context) return "out of memory";
  if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
    return pa_strerror(pa_context_errno(context.get()));
  const auto deadline = std::chrono::steady_clock::now() + kAnswerLimit;
  for (;;) {
    const pa_context_state_t state = pa_context_get_state(context.get());
    if (state == PA_CONTEXT_READY) {
      pa_context_disconnect(context.get());
      return {};
    }
    if (!PA_CONTEXT_IS_GOOD(state)) return pa_strerror(pa_context_errno(context.get()));
    if (std::chrono::steady_clock::now() > deadline) return "the sound server does not answer";
    if (pa_mainloop_prepare(loop.get(), 100000) < 0 || pa_mainloop_poll(loop.get()) < 0 ||
        pa_mainloop_dispatch(loop.get()) < 0)
      return "the sound server connection broke";
  }
}

std::string WhyAlsaDoesNotOpen() {
  // libout123's ALSA driver sets ALSA's message handler to one of its own
  // and leaves it there when libout123 unloads the driver: the next message
  // would jump into unloaded code. Ours stays loaded, and keeps ALSA as quiet
  // as the driver had it.
  snd_lib_error_set_handler(KeepQuiet);
  snd_pcm_t* pcm = nullptr;
  const int error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (error < 0) return snd_strerror(error);
  snd_pcm_close(pcm);
  return {};
}
