// Where there are no pseudo-terminals (Windows) the simulator answers on TCP only.
#include "simulator/SimServer.h"

namespace vorn::sim {

QString SimServer::OpenPseudoTerminal() {
  lastError_ = "pseudo-terminalele lipsesc pe acest sistem: folositi TCP";
  return {};
}

void SimServer::OnPtyReadable() {}
void SimServer::WritePty(const QByteArray&) {}
void SimServer::FlushPty() {}
void SimServer::ClosePty() {}

}  // namespace vorn::sim
