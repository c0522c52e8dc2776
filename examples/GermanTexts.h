#pragma once

// The German wizard texts of the example, in Windows-1252 as texts files
// hold them; the screenshots of the wizard preview show them too. "2.EULA"
// is not among them: it names the licence files, whose base the build fixes
// as "EULA".

#include <utility>

// clang-format off
inline constexpr std::pair<const char*, const char*> GermanWizardTexts[] = {
    {"0.NoActiveSync", "ActiveSync (unter Windows Vista und neuer: Windows Mobile-Ger\xE4tecenter) wurde auf diesem "
                       "Computer nicht gefunden. Bitte installieren Sie es, verbinden Sie Ihr Ger\xE4t und starten "
                       "Sie dieses Setup erneut."},
    {"0.NoResources", "Einige Dateien dieses Setups fehlen. Bitte besorgen Sie sich bei %COMPANYNAME% eine "
                      "vollst\xE4ndige Kopie des Setups von %APPNAME%."},
    {"0.ConfirmQuit", "%APPNAME% ist noch nicht installiert. M\xF6" "chten Sie das Setup wirklich beenden?"},
    {"0.Error", "Beim Setup von %APPNAME% ist ein Fehler aufgetreten."},
    {"0.WaitingForAppManager", "Warten auf den Anwendungs-Manager..."},
    {"0.ElevationRefused", "Die Installation wurde abgebrochen: Der Anwendungs-Manager hat die "
                           "Administratorrechte, die er verlangt, nicht erhalten."},
    {"0.Unpacking", "Entpacken..."},
    {"1.String1", "Willkommen beim Setup von %APPNAME%."},
    {"1.String2", "Dieser Assistent installiert %APPNAME% von %COMPANYNAME% auf Ihrem mobilen Ger\xE4t. Bitte "
                  "verbinden Sie das Ger\xE4t \xFC" "ber ActiveSync mit diesem Computer, bevor Sie fortfahren."},
    {"1.String3", "Klicken Sie auf Weiter, um fortzufahren, oder auf Abbrechen, um das Setup zu beenden."},
    {"1.String4", "Sprache des Setups:"},
    {"1.TopString", "Willkommen"},
    {"2.License1", "Bitte lesen Sie den folgenden Lizenzvertrag sorgf\xE4ltig durch."},
    {"2.Accept", "Ich akzeptiere die Bedingungen des Lizenzvertrags"},
    {"2.DoNotAccept", "Ich akzeptiere die Bedingungen des Lizenzvertrags nicht"},
    {"2.TopString", "Lizenzvertrag"},
    {"3.String1", "Das Setup von %APPNAME% ist auf diesem Computer abgeschlossen."},
    {"3.String2", "%APPNAME% wird auf Ihr Ger\xE4t kopiert, sobald es sich das n\xE4" "chste Mal \xFC" "ber "
                  "ActiveSync verbindet. Bitte achten Sie auf den Bildschirm des Ger\xE4ts: M\xF6glicherweise "
                  "m\xFCssen Sie die Installation dort best\xE4tigen."},
    {"3.TopString", "Setup abgeschlossen"},
    {"4.BackBtn", "< &Zur\xFC" "ck"},
    {"4.NextBtn", "&Weiter >"},
    {"4.FinishBtn", "&Fertig stellen"},
    {"4.CancelBtn", "Abbrechen"},
    {"4.YesBtn", "&Ja"},
    {"4.NoBtn", "&Nein"},
    {"4.OkBtn", "OK"},
};
// clang-format on
