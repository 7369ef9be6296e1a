#include "platform/stream/IcecastSource.h"

#include <shout/shout.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace stream {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kConnectLimit = std::chrono::seconds(10);

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { shout_init(); });
}

}  // namespace

IcecastSource::IcecastSource(IcecastTarget target) : target_(std::move(target)) { InitLibrary(); }

IcecastSource::~IcecastSource() { Close(); }

void IcecastSource::Make() {
  shout_ = shout_new();
  if (!shout_) throw std::runtime_error("libshout: out of memory");
  shout_set_host(shout_, target_.host.c_str());
  shout_set_port(shout_, static_cast<unsigned short>(target_.port));
  shout_set_user(shout_, target_.user.c_str());
  shout_set_password(shout_, target_.password.c_str());
  shout_set_mount(shout_, target_.mount.c_str());
  shout_set_protocol(shout_, SHOUT_PROTOCOL_HTTP);
  shout_set_tls(shout_, SHOUT_TLS_DISABLED);
  shout_set_content_format(shout_, SHOUT_FORMAT_MP3, SHOUT_USAGE_AUDIO, nullptr);
  shout_set_meta(shout_, SHOUT_META_NAME, "Morva MP3");
  shout_set_agent(shout_, "Morva MP3");
  shout_set_nonblocking(shout_, 1);
}

IcecastSource::Outcome IcecastSource::Open(const std::function<bool()>& stop, std::string* why) {
  Close();
  Make();
  int result = shout_open(shout_);
  const auto limit = std::chrono::steady_clock::now() + kConnectLimit;
  while (result == SHOUTERR_BUSY || result == SHOUTERR_RETRY) {
    if (stop() || std::chrono::steady_clock::now() > limit) {
      *why = "no answer";
      Close();
      return Outcome::Down;
    }
    std::this_thread::sleep_for(kPoll);
    result = shout_get_connected(shout_);
  }
  if (result == SHOUTERR_SUCCESS || result == SHOUTERR_CONNECTED) {
    open_ = true;
    return Outcome::Connected;
  }
  *why = shout_get_error(shout_);
  const Outcome outcome = result == SHOUTERR_NOLOGIN ? Outcome::Refused : Outcome::Down;
  Close();
  return outcome;
}

bool IcecastSource::Send(const std::vector<unsigned char>& bytes, std::string* why) {
  if (!open_) return false;
  // Nothing new still gives libshout the chance to send what it holds.
  static const unsigned char kNothing = 0;
  const int result = shout_send(shout_, bytes.empty() ? &kNothing : bytes.data(), bytes.size());
  if (result == SHOUTERR_SUCCESS || result == SHOUTERR_BUSY || result == SHOUTERR_RETRY) return true;
  *why = shout_get_error(shout_);
  Close();
  return false;
}

std::size_t IcecastSource::Backlog() {
  if (!open_) return 0;
  const ssize_t queued = shout_queuelen(shout_);
  return queued > 0 ? static_cast<std::size_t>(queued) : 0;
}

bool IcecastSource::SetTitle(const std::string& title) {
  if (!open_) return false;
  shout_metadata_t* metadata = shout_metadata_new();
  if (!metadata) return false;
  const int result = shout_metadata_add(metadata, "song", title.c_str()) == SHOUTERR_SUCCESS
                         ? shout_set_metadata_utf8(shout_, metadata)
                         : SHOUTERR_MALLOC;
  shout_metadata_free(metadata);
  return result == SHOUTERR_SUCCESS;
}

void IcecastSource::Close() {
  if (!shout_) return;
  if (open_) shout_close(shout_);
  shout_free(shout_);
  shout_ = nullptr;
  open_ = false;
}

}  // namespace stream
