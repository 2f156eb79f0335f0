#include "operations/VerificationOperation.h"

#include <map>

#include "operations/DialogLink.h"

namespace vorn {

std::string VerificationRequestType(bool connectionTest, bool profileInfo) {
  if (connectionTest && profileInfo) return "2";
  return profileInfo ? "3" : "1";
}

std::string ConnectionStateDescription(const std::string& code) {
  static const std::map<std::string, std::string> kDescriptions = {
      {"001", " (Neutilizat)"},
      {"002", " (Eroare citire sau scriere)"},
      {"003", " (Eroare conexiune internet)"},
      {"004", " (Eroare de alocare a memoriei)"},
      {"005", " (Adresa URL este eronata)"},
      {"006", " (Fisier XML lipsa)"},
      {"007", " (Neutilizat)"},
      {"008", " (Date lipsa in raspunsul HTTP)"},
      {"009", " (Eroare conexiune TLS: certificat nevalid)"},
      {"010", " ( Neutilizat)"},
      {"011", " (Eroare conexiune TLS: data anterioara)"},
      {"012", " (Eroare conexiune TLS: lipseste fisierul cert AC)"},
  };
  auto it = kDescriptions.find(code);
  return it == kDescriptions.end() ? " (OK)" : it->second;
}

std::vector<std::string> VerificationMemoLines(const std::string& reply) {
  std::vector<std::string> lines;
  if (reply.empty()) return lines;
  // 1-based positions as the device documents them; a short reply gives short fields.
  auto field = [&reply](size_t from, size_t count) {
    return from - 1 < reply.size() ? reply.substr(from - 1, count) : std::string();
  };
  const std::string code = field(6, 3);
  lines.push_back("Profil = " + field(1, 1));
  lines.push_back("Numar rapoarte Z netransmise = " + field(2, 4));
  lines.push_back(code == "000" ? "Conexiune NETESTATA"
                                : "Stare conexiune = " + code + ConnectionStateDescription(code));
  lines.push_back("Data profil = " + field(9, 8));
  lines.push_back("RapZ profil = " + field(17, 1));
  lines.push_back("NrM  profil = " + field(18, 3));
  return lines;
}

VerificationOutcome RunVerification(const ManualContext& context, const std::string& requestType) {
  VerificationOutcome result;
  OperationOutcome outcome =
      RunOnDialogLink(context, true, "Log_InOutNumerar_", [&](TXvornLinux& link) {
        const LinkResult<std::string> sent = link.SendVerification(requestType);
        if (sent) result.memo = VerificationMemoLines(sent.value);
        return Checked(sent, "Eroare la efectuarea operatiei !\r");
      });
  result.ok = outcome.ok;
  result.message = outcome.message;
  return result;
}

}  // namespace vorn
