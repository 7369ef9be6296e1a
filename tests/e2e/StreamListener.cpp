#include "tests/e2e/StreamListener.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>

StreamListener::~StreamListener() { Stop(); }

bool StreamListener::Start(const QString& url, const QString& file) {
  samples_.clear();
  file_ = file;
  process_.setProgram("ffmpeg");
  process_.setArguments({"-nostdin", "-loglevel", "error", "-probesize", "32768", "-i", url, "-f", "s16le", "-ac",
                         "1", "-ar", QString::number(kRate), "-y", file});
  process_.setStandardOutputFile(QProcess::nullDevice());
  process_.setStandardErrorFile(QProcess::nullDevice());
  process_.start();
  return process_.waitForStarted(5000);
}

void StreamListener::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

void StreamListener::Read() {
  QFile file(file_);
  if (!file.open(QIODevice::ReadOnly)) return;
  const qint64 have = static_cast<qint64>(samples_.size() * sizeof(std::int16_t));
  const qint64 whole = (file.size() - have) / 2 * 2;
  if (whole <= 0 || !file.seek(have)) return;
  const QByteArray more = file.read(whole);
  const auto* data = reinterpret_cast<const std::int16_t*>(more.constData());
  samples_.insert(samples_.end(), data, data + more.size() / 2);
}

std::size_t StreamListener::Frames() {
  Read();
  return samples_.size();
}

bool StreamListener::WaitForFrames(std::size_t frames, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Frames() < frames) {
    if (std::chrono::steady_clock::now() > deadline || process_.state() == QProcess::NotRunning) return false;
    QThread::msleep(20);  // the file grows as the stream comes
  }
  return true;
}

const std::vector<std::int16_t>& StreamListener::Samples() {
  Read();
  return samples_;
}

SoxMeasure MeasureWithSox(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end) {
  end = std::min(end, samples.size());
  if (begin >= end) return {};
  QProcess sox;
  sox.start("sox", {"-t", "raw", "-r", QString::number(StreamListener::kRate), "-e", "signed", "-b", "16", "-c", "1",
                    "-", "-n", "stat"});
  if (!sox.waitForStarted(5000)) return {};
  sox.write(reinterpret_cast<const char*>(samples.data() + begin),
            static_cast<qint64>((end - begin) * sizeof(std::int16_t)));
  sox.closeWriteChannel();
  sox.waitForFinished(10000);
  const QString report = QString::fromLocal8Bit(sox.readAllStandardError());
  SoxMeasure measure;
  const auto value = [&](const char* name) {
    const QRegularExpressionMatch match =
        QRegularExpression(QString(name) + ":\\s+(-?[0-9.]+)").match(report);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
  };
  measure.hz = value("Rough\\s+frequency");
  measure.rms = value("RMS\\s+amplitude");
  return measure;
}
