#pragma once
#include <cstdint>
#include <string>

namespace vorn {

// Settings of section "Configurari" as the rest of the program reads them.
// The settings-panel state (selected port position, syntax selection that may be
// -1, the touched mark) is modelled here so a console can bind to it.
struct Settings {
  int Comunicatie = 0;            // 0 serial, 1 TCP/IP
  std::string IP;
  int PortIndex = 0;              // selected list position; -1 = none selected
  int ModTaiere = 0;
  int BaudRate = 0;
  int LiniiAvans = 0;
  int LongTimeOut = 5;
  int CodFormaPlata = 1;
  bool LogFile = false;
  bool FaraVerificareConexiune = false;
  bool History = false;
  bool M4 = false;
  bool VerificaOra = false;
  bool DialogMesajEroare = false;
  bool MesajLaListareItem = false;
  bool StergereFisierevechi = false;
  int64_t MarjaZileStergere = 100;
  bool CuratareFolderLucru = false;
  int TratareEroareStare = 0;
  int TratareBonInDerulare = 2;
  int SintaxaIndex = 0;           // selected list position; -1 = none selected
  int Sintaxa = 0;                // syntax in force (0 current, 1 older)
  int TratareFormaPlata = 0;
  int Delay = 0;                  // milliseconds, never negative once loaded
  bool SettingsTouched = false;

  // COM number for a device link: list position + 1, with 0 counting as 1.
  int ComNumber() const { return PortIndex + 1 <= 0 ? 1 : PortIndex + 1; }
  bool UseTcp() const { return Comunicatie == 1; }
};

}  // namespace vorn
