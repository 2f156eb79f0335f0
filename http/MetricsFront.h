#pragma once
// GET /metrics on a listener of its own, for Prometheus; it never takes receipts.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "http/HttpListener.h"
#include "http/HttpSettings.h"
#include "http/MetricsText.h"

namespace vorn {

class MetricsFront : public QObject {
  Q_OBJECT
 public:
  using Source = std::function<MetricsSnapshot()>;
  MetricsFront(HttpSettings settings, Source source, QObject* parent = nullptr);
  ~MetricsFront() override;

  bool Start(std::string& error);
  uint16_t Port() const { return listener_->Port(); }

 private:
  void Handle(const HttpRequest& request, const HttpResponder& responder);

  HttpSettings settings_;
  Source source_;
  std::unique_ptr<HttpListener> listener_;
};

}  // namespace vorn
