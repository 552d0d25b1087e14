<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="pl">
<context>
    <name>About</name>
    <message>
        <source>O programie Dravik</source>
        <translation>Über Dravik</translation>
    </message>
    <message>
        <source>Dane sejsmiczne:</source>
        <translation>Erdbebendaten:</translation>
    </message>
    <message>
        <source>Granice płyt: PB2002 (Peter Bird), GeoJSON: Hugo Ahlenius, Nordpil (ODC-By)</source>
        <translation>Plattengrenzen: PB2002 (Peter Bird), GeoJSON von Hugo Ahlenius, Nordpil (ODC-By)</translation>
    </message>
    <message>
        <source>Miejscowości: GeoNames (geonames.org), CC BY 4.0</source>
        <translation>Orte: GeoNames (geonames.org), CC BY 4.0</translation>
    </message>
</context>
<context>
    <name>Chart</name>
    <message>
        <source>sty</source>
        <translation>Jan</translation>
    </message>
    <message>
        <source>lut</source>
        <translation>Feb</translation>
    </message>
    <message>
        <source>mar</source>
        <translation>Mär</translation>
    </message>
    <message>
        <source>kwi</source>
        <translation>Apr</translation>
    </message>
    <message>
        <source>maj</source>
        <translation>Mai</translation>
    </message>
    <message>
        <source>cze</source>
        <translation>Jun</translation>
    </message>
    <message>
        <source>lip</source>
        <translation>Jul</translation>
    </message>
    <message>
        <source>sie</source>
        <translation>Aug</translation>
    </message>
    <message>
        <source>wrz</source>
        <translation>Sep</translation>
    </message>
    <message>
        <source>paź</source>
        <translation>Okt</translation>
    </message>
    <message>
        <source>lis</source>
        <translation>Nov</translation>
    </message>
    <message>
        <source>gru</source>
        <translation>Dez</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1. %2</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>Historia wstrząsów</source>
        <translation>Erdbebenverlauf</translation>
    </message>
    <message>
        <source>Zamknij</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Pokaż od</source>
        <translation>Anzeigen von</translation>
    </message>
    <message>
        <source>do</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Wartość magnitude</source>
        <translation>Magnitude</translation>
    </message>
    <message>
        <source>Energia wstrząsu</source>
        <translation>Freigesetzte Energie</translation>
    </message>
    <message>
        <source>Słupki</source>
        <translation>Balken</translation>
    </message>
    <message>
        <source>Łączenie punktów</source>
        <translation>Linien</translation>
    </message>
    <message>
        <source>Wczytywanie…</source>
        <translation>Wird geladen…</translation>
    </message>
    <message>
        <source>WSZYSTKIE</source>
        <translation>ALLE</translation>
    </message>
    <message>
        <source>Odczuwalne u mnie od</source>
        <translation>Spürbar an meinen Orten ab</translation>
    </message>
    <message>
        <source>Intensywność u mnie</source>
        <translation>Erschütterung an meinen Orten</translation>
    </message>
    <message>
        <source>Tylko wstrząsy, których oczekiwana intensywność w skali Mercallego sięga tego stopnia w domu lub w którymś z innych miejsc</source>
        <translation>Nur Beben, deren erwartete Intensität auf der Mercalli-Skala diese Stufe zu Hause oder an einem der anderen Orte erreicht</translation>
    </message>
    <message>
        <source>Najpierw ustaw dom lub inne miejsca w ustawieniach programu</source>
        <translation>Zuerst Zuhause oder andere Orte in den Einstellungen des Programms festlegen</translation>
    </message>
    <message>
        <source>Magnituda</source>
        <translation>Magnitude</translation>
    </message>
    <message>
        <source>Energia względna (M1 = 3, ×2 na stopień)</source>
        <translation>Relative Energie (M1 = 3, ×2 je Stufe)</translation>
    </message>
    <message>
        <source>Intensywność (skala Mercallego)</source>
        <translation>Intensität (Mercalli-Skala)</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>Polski</source>
        <translation>Deutsch</translation>
    </message>
</context>
<context>
    <name>LanguageDialog</name>
    <message>
        <source>Język programu (language)</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Dalej</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Zakończ</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Schowaj</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Pokaż na mapie</source>
        <translation>Karte zeigen</translation>
    </message>
    <message>
        <source>Normalna</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Satelita</source>
        <translation>Satellit</translation>
    </message>
    <message>
        <source>Hybryda</source>
        <translation>Hybrid</translation>
    </message>
    <message>
        <source>Fizyczna</source>
        <translation>Gelände</translation>
    </message>
    <message>
        <source>Granice płyt</source>
        <translation>Plattengrenzen</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>&amp;Program</source>
        <translation>&amp;Programm</translation>
    </message>
    <message>
        <source>&amp;Ukryj</source>
        <translation>&amp;Ausblenden</translation>
    </message>
    <message>
        <source>U&amp;stawienia...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>Zmień &amp;język...</source>
        <translation>&amp;Sprache ändern...</translation>
    </message>
    <message>
        <source>&amp;Zamknij</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Analizy</source>
        <translation>A&amp;nalysen</translation>
    </message>
    <message>
        <source>&amp;Historia</source>
        <translation>&amp;Verlauf</translation>
    </message>
    <message>
        <source>&amp;O programie</source>
        <translation>&amp;Über</translation>
    </message>
</context>
<context>
    <name>Texts</name>
    <message>
        <source>Mag</source>
        <translation>Mag</translation>
    </message>
    <message>
        <source>Lokalizacja</source>
        <translation>Region</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Godzina</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Szer.</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Dług.</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Zamknąć program?</source>
        <translation>Dravik beenden?</translation>
    </message>
    <message>
        <source>Pytanie</source>
        <translation>Frage</translation>
    </message>
    <message>
        <source>Głęb.</source>
        <translation>Tiefe</translation>
    </message>
    <message>
        <source>Ustawienia</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Ustawienia...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Alarmy</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source>Alarm od magnitudy:</source>
        <translation>Alarm ab Magnitude:</translation>
    </message>
    <message>
        <source>Miejsce domowe</source>
        <translation>Heimatort</translation>
    </message>
    <message>
        <source>Szerokość (°, puste = brak):</source>
        <translation>Breite (°, leer = keine):</translation>
    </message>
    <message>
        <source>Długość (°):</source>
        <translation>Länge (°):</translation>
    </message>
    <message>
        <source>Nazwa:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Promień (km, 0 = bez alarmu):</source>
        <translation>Radius (km, 0 = kein Alarm):</translation>
    </message>
    <message>
        <source>W promieniu od magnitudy:</source>
        <translation>Im Radius ab Magnitude:</translation>
    </message>
    <message>
        <source>Godziny ciszy</source>
        <translation>Ruhezeiten</translation>
    </message>
    <message>
        <source>Włączone</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Od (GG:MM):</source>
        <translation>Von (HH:MM):</translation>
    </message>
    <message>
        <source>Do (GG:MM):</source>
        <translation>Bis (HH:MM):</translation>
    </message>
    <message>
        <source>Zawsze budź od magnitudy:</source>
        <translation>Immer wecken ab Magnitude:</translation>
    </message>
    <message>
        <source>Powiadomienia</source>
        <translation>Benachrichtigungen</translation>
    </message>
    <message>
        <source>Powiadomienia na pulpicie</source>
        <translation>Desktop-Benachrichtigungen</translation>
    </message>
    <message>
        <source>Od magnitudy (0 = każdy alarm):</source>
        <translation>Ab Magnitude (0 = jeder Alarm):</translation>
    </message>
    <message>
        <source>Pokazuj czas:</source>
        <translation>Zeiten anzeigen als:</translation>
    </message>
    <message>
        <source>klasyczny (czas źródła + 1 h)</source>
        <translation>klassisch (Zeit der Quelle + 1 h)</translation>
    </message>
    <message>
        <source>mój czas lokalny</source>
        <translation>meine Ortszeit</translation>
    </message>
    <message>
        <source>UTC</source>
        <translation>UTC</translation>
    </message>
    <message>
        <source>Popraw zaznaczone pola.</source>
        <translation>Korrigieren Sie die markierten Felder.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Anuluj</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Dom</source>
        <translation>Zuhause</translation>
    </message>
    <message>
        <source>Pokaż</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Źródła danych</source>
        <translation>Datenquellen</translation>
    </message>
    <message>
        <source>Adresy (oddzielone spacjami, puste = EMSC):</source>
        <translation>Adressen (durch Leerzeichen getrennt, leer = EMSC):</translation>
    </message>
    <message>
        <source>Uruchamiaj razem z sesją</source>
        <translation>Mit der Sitzung starten</translation>
    </message>
    <message>
        <source>Nie można zmienić uruchamiania z sesją:</source>
        <translation>Der Start mit der Sitzung konnte nicht geändert werden:</translation>
    </message>
    <message>
        <source>Czas źródła (UTC) plus godzina przez cały rok, jak w dawnych wersjach; bez zmiany czasu na letni.</source>
        <translation>Die Zeit der Quelle (UTC) plus eine Stunde das ganze Jahr, wie frühere Versionen sie zeigten; keine Sommerzeit.</translation>
    </message>
    <message>
        <source>Czas zegara tego komputera, z czasem letnim; nagłówek kolumny podaje strefę (np. CET).</source>
        <translation>Die Uhrzeit dieses Computers, mit Sommerzeit; die Spaltenüberschrift nennt die Zone (z. B. CET).</translation>
    </message>
    <message>
        <source>Uniwersalny czas koordynowany: ten sam na całym świecie, bez czasu letniego; w nim podają czas agencje sejsmiczne.</source>
        <translation>Koordinierte Weltzeit: überall auf der Welt gleich, ohne Sommerzeit; seismische Dienste geben ihre Zeiten darin an.</translation>
    </message>
    <message>
        <source>Alarm od magnitudy: liczba od 0 do 10, np. 4,5</source>
        <translation>Alarm ab Magnitude: eine Zahl von 0 bis 10, z. B. 4,5</translation>
    </message>
    <message>
        <source>W promieniu od magnitudy: liczba od 0 do 10, np. 3,0</source>
        <translation>Im Radius ab Magnitude: eine Zahl von 0 bis 10, z. B. 3,0</translation>
    </message>
    <message>
        <source>Promień: liczba kilometrów od 0 do 40000</source>
        <translation>Radius: Kilometer von 0 bis 40000</translation>
    </message>
    <message>
        <source>Szerokość: stopnie od -90 do 90; podaj obie współrzędne albo żadnej</source>
        <translation>Breite: Grad von -90 bis 90; beide Koordinaten oder keine angeben</translation>
    </message>
    <message>
        <source>Długość: stopnie od -180 do 180; podaj obie współrzędne albo żadnej</source>
        <translation>Länge: Grad von -180 bis 180; beide Koordinaten oder keine angeben</translation>
    </message>
    <message>
        <source>Nazwa: najwyżej 64 bajty (ok. 32 do 64 liter)</source>
        <translation>Name: höchstens 64 Bytes (etwa 32 bis 64 Buchstaben)</translation>
    </message>
    <message>
        <source>Od: godzina w postaci GG:MM, np. 22:00</source>
        <translation>Von: eine Uhrzeit als HH:MM, z. B. 22:00</translation>
    </message>
    <message>
        <source>Do: godzina w postaci GG:MM, np. 07:00</source>
        <translation>Bis: eine Uhrzeit als HH:MM, z. B. 07:00</translation>
    </message>
    <message>
        <source>Zawsze budź od magnitudy: liczba od 0 do 10, np. 6,5</source>
        <translation>Immer wecken ab Magnitude: eine Zahl von 0 bis 10, z. B. 6,5</translation>
    </message>
    <message>
        <source>Powiadomienia od magnitudy: liczba od 0 do 10 (0 = każdy alarm)</source>
        <translation>Benachrichtigungen ab Magnitude: eine Zahl von 0 bis 10 (0 = jeder Alarm)</translation>
    </message>
    <message>
        <source>Adresy: najwyżej 16 adresów http:// lub https:// oddzielonych spacjami</source>
        <translation>Adressen: höchstens 16 http://- oder https://-Adressen, durch Leerzeichen getrennt</translation>
    </message>
    <message>
        <source>Dravik - monitoring sejsmiczny</source>
        <translation>Dravik - Erdbebenmonitor</translation>
    </message>
    <message>
        <source>Uruchom program ponownie</source>
        <translation>Bitte starten Sie das Programm neu</translation>
    </message>
    <message>
        <source>Posiadasz wersję %1 programu.
Dostępna jest nowa o numerze %2.
Do pobrania na stronie %3</source>
        <translation>Sie haben Version %1 des Programms.
Eine neue Version %2 ist verfügbar.
Download unter %3</translation>
    </message>
    <message>
        <source>Źródło niedostępne: </source>
        <translation>Quelle nicht erreichbar: </translation>
    </message>
    <message>
        <source>Uzupełnianie archiwum: </source>
        <translation>Archiv wird ergänzt: </translation>
    </message>
    <message>
        <source>Archiwum niepełne, uzupełnianie wstrzymane: %1</source>
        <translation>Archiv unvollständig, Ergänzung angehalten: %1</translation>
    </message>
    <message>
        <source>Zegar komputera różni się od zegara źródła o %1</source>
        <translation>Die Uhr des Computers weicht von der Uhr der Quelle um %1 ab</translation>
    </message>
    <message>
        <source>Archiwum było uszkodzone: zachowane jako %1, zaczęte nowe</source>
        <translation>Das Archiv war beschädigt: als %1 aufbewahrt, ein neues begonnen</translation>
    </message>
    <message>
        <source>Brak trzęsień do pokazania: żadne źródło nie odpowiada.</source>
        <translation>Keine Erdbeben anzuzeigen: keine Quelle antwortet.</translation>
    </message>
    <message>
        <source>pełny dysk</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>tylko do odczytu</source>
        <translation>schreibgeschützt</translation>
    </message>
    <message>
        <source>zablokowane przez inny program</source>
        <translation>von einem anderen Programm gesperrt</translation>
    </message>
    <message>
        <source>uszkodzone</source>
        <translation>beschädigt</translation>
    </message>
    <message>
        <source>błąd zapisu</source>
        <translation>Schreibfehler</translation>
    </message>
    <message>
        <source>Archiwum niedostępne: </source>
        <translation>Archiv nicht verfügbar: </translation>
    </message>
    <message>
        <source>Ostatnia godzina</source>
        <translation>Letzte Stunde</translation>
    </message>
    <message>
        <source>Ostatnia doba</source>
        <translation>Letzter Tag</translation>
    </message>
    <message>
        <source>Starsze</source>
        <translation>Älter</translation>
    </message>
    <message>
        <source> (lokalna)</source>
        <translation> (lokal)</translation>
    </message>
    <message>
        <source>północ</source>
        <translation>nördlich</translation>
    </message>
    <message>
        <source>północny wschód</source>
        <translation>nordöstlich</translation>
    </message>
    <message>
        <source>wschód</source>
        <translation>östlich</translation>
    </message>
    <message>
        <source>południowy wschód</source>
        <translation>südöstlich</translation>
    </message>
    <message>
        <source>południe</source>
        <translation>südlich</translation>
    </message>
    <message>
        <source>południowy zachód</source>
        <translation>südwestlich</translation>
    </message>
    <message>
        <source>zachód</source>
        <translation>westlich</translation>
    </message>
    <message>
        <source>północny zachód</source>
        <translation>nordwestlich</translation>
    </message>
    <message>
        <source>, głębokość </source>
        <translation>, Tiefe </translation>
    </message>
    <message>
        <source>skorygowano do M %1 (było M %2)</source>
        <translation>korrigiert auf M %1 (vorher M %2)</translation>
    </message>
    <message>
        <source>Jeszcze %1 trzęsienie ziemi</source>
        <translation>%1 weiteres Erdbeben</translation>
    </message>
    <message>
        <source>Jeszcze %1 trzęsienia ziemi</source>
        <translation>%1 weitere Erdbeben</translation>
    </message>
    <message>
        <source>Jeszcze %1 trzęsień ziemi</source>
        <translation>%1 weitere Erdbeben</translation>
    </message>
    <message>
        <source>Zakończyć pracę?</source>
        <translation>Programm beenden?</translation>
    </message>
    <message>
        <source>Prędkość wiatru słonecznego: %1 km/s, gęstość: %2 protonów/cm³</source>
        <translation>Sonnenwind: %1 km/s, Dichte: %2 Protonen/cm³</translation>
    </message>
    <message>
        <source>Nie można wczytać kafelków mapy.</source>
        <translation>Kartenkacheln können nicht geladen werden.</translation>
    </message>
    <message>
        <source>Nieznane położenie zdarzenia.</source>
        <translation>Ort des Bebens unbekannt.</translation>
    </message>
    <message>
        <source>Otwórz w przeglądarce</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Oczekiwane wstrząsy</source>
        <translation>Erwartete Erschütterungen</translation>
    </message>
    <message>
        <source>Wstrząsy wg ShakeMap</source>
        <translation>Erschütterung laut ShakeMap</translation>
    </message>
    <message>
        <source>Ustaw tu miejsce…</source>
        <translation>Hier einen Ort festlegen…</translation>
    </message>
    <message>
        <source>Można zapisać najwyżej 10 miejsc: dom i 9 innych.</source>
        <translation>Es können höchstens 10 Orte gespeichert werden: das Zuhause und 9 weitere.</translation>
    </message>
    <message>
        <source>Odległość</source>
        <translation>Entfernung</translation>
    </message>
    <message>
        <source>Odczuwalność</source>
        <translation>Erschütterung</translation>
    </message>
    <message>
        <source>Nieodczuwalne</source>
        <translation>Nicht spürbar</translation>
    </message>
    <message>
        <source>Słabe</source>
        <translation>Schwach</translation>
    </message>
    <message>
        <source>Lekkie</source>
        <translation>Leicht</translation>
    </message>
    <message>
        <source>Umiarkowane</source>
        <translation>Mäßig</translation>
    </message>
    <message>
        <source>Silne</source>
        <translation>Stark</translation>
    </message>
    <message>
        <source>Bardzo silne</source>
        <translation>Sehr stark</translation>
    </message>
    <message>
        <source>Groźne</source>
        <translation>Schwer</translation>
    </message>
    <message>
        <source>Gwałtowne</source>
        <translation>Heftig</translation>
    </message>
    <message>
        <source>Ekstremalne</source>
        <translation>Extrem</translation>
    </message>
    <message>
        <source>nieodczuwalne</source>
        <translation>nicht spürbar</translation>
    </message>
    <message>
        <source>słabe wstrząsy</source>
        <translation>schwache Erschütterung</translation>
    </message>
    <message>
        <source>lekkie wstrząsy</source>
        <translation>leichte Erschütterung</translation>
    </message>
    <message>
        <source>umiarkowane wstrząsy</source>
        <translation>mäßige Erschütterung</translation>
    </message>
    <message>
        <source>silne wstrząsy</source>
        <translation>starke Erschütterung</translation>
    </message>
    <message>
        <source>bardzo silne wstrząsy</source>
        <translation>sehr starke Erschütterung</translation>
    </message>
    <message>
        <source>groźne wstrząsy</source>
        <translation>schwere Erschütterung</translation>
    </message>
    <message>
        <source>gwałtowne wstrząsy</source>
        <translation>heftige Erschütterung</translation>
    </message>
    <message>
        <source>ekstremalne wstrząsy</source>
        <translation>extreme Erschütterung</translation>
    </message>
    <message>
        <source>ShakeMap, %2: %1</source>
        <translation>ShakeMap: %1 in %2</translation>
    </message>
    <message>
        <source>Odczuwalne, %2: %1 (zgłoszeń w promieniu 10 km: %3)</source>
        <translation>verspürt in %2: %1, %3 Meldungen im Umkreis von 10 km</translation>
    </message>
    <message>
        <source>%1: %2 – %3, %4</source>
        <translation>%1: %2 – %3, %4</translation>
    </message>
    <message>
        <source>%1: %2 (%3), %4</source>
        <translation>%1: %2 (%3), %4</translation>
    </message>
    <message>
        <source>zielony</source>
        <translation>grün</translation>
    </message>
    <message>
        <source>żółty</source>
        <translation>gelb</translation>
    </message>
    <message>
        <source>pomarańczowy</source>
        <translation>orange</translation>
    </message>
    <message>
        <source>czerwony</source>
        <translation>rot</translation>
    </message>
    <message>
        <source>Poziom alarmu PAGER: %1</source>
        <translation>PAGER-Warnstufe: %1</translation>
    </message>
    <message>
        <source>Komunikat o tsunami – sprawdź oficjalne ostrzeżenia</source>
        <translation>Tsunami-Meldung herausgegeben – offizielle Warnungen prüfen</translation>
    </message>
    <message>
        <source>Alarm, gdy u mnie może być odczuwalne od:</source>
        <translation>Alarm, wenn es bei meinen Orten spürbar sein kann ab:</translation>
    </message>
    <message>
        <source>nigdy (tylko magnituda)</source>
        <translation>nie (nur Magnitude)</translation>
    </message>
    <message>
        <source>Inne miejsca</source>
        <translation>Weitere Orte</translation>
    </message>
    <message>
        <source>Dodaj…</source>
        <translation>Hinzufügen…</translation>
    </message>
    <message>
        <source>Zmień…</source>
        <translation>Bearbeiten…</translation>
    </message>
    <message>
        <source>Usuń</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Miejsce</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Szerokość (°):</source>
        <translation>Breite (°):</translation>
    </message>
    <message>
        <source>Podaj nazwę (najwyżej 64 bajty), szerokość od -90 do 90 i długość od -180 do 180.</source>
        <translation>Einen Namen (höchstens 64 Bytes), eine Breite von -90 bis 90 und eine Länge von -180 bis 180 angeben.</translation>
    </message>
    <message>
        <source>ShakeMap: najsilniej %1</source>
        <translation>ShakeMap: bis %1</translation>
    </message>
    <message>
        <source>Ostrzeżenie o tsunami: %1 (%2)</source>
        <translation>Tsunami-Warnung: %1 (%2)</translation>
    </message>
    <message>
        <source>Otwórz komunikat</source>
        <translation>Meldung öffnen</translation>
    </message>
    <message>
        <source>Jeszcze %1 komunikat o tsunami</source>
        <translation>%1 weitere Tsunami-Meldung</translation>
    </message>
    <message>
        <source>Jeszcze %1 komunikaty o tsunami</source>
        <translation>%1 weitere Tsunami-Meldungen</translation>
    </message>
    <message>
        <source>Jeszcze %1 komunikatów o tsunami</source>
        <translation>%1 weitere Tsunami-Meldungen</translation>
    </message>
    <message>
        <source>Dźwięk wstrząsów wtórnych raz na cykl</source>
        <translation>Nachbeben einmal pro Zyklus mit Ton</translation>
    </message>
    <message>
        <source>%1 wstrząs wtórny M %2 %3, największy M %4</source>
        <translation>%1 Nachbeben von M %2 %3, stärkstes M %4</translation>
    </message>
    <message>
        <source>%1 wstrząsy wtórne M %2 %3, największy M %4</source>
        <translation>%1 Nachbeben von M %2 %3, stärkstes M %4</translation>
    </message>
    <message>
        <source>%1 wstrząsów wtórnych M %2 %3, największy M %4</source>
        <translation>%1 Nachbeben von M %2 %3, stärkstes M %4</translation>
    </message>
    <message>
        <source>wstrząs wtórny: M %1 %2</source>
        <translation>Nachbeben von M %1 %2</translation>
    </message>
    <message>
        <source>strefa wstrząsów wtórnych</source>
        <translation>Nachbebenzone</translation>
    </message>
    <message>
        <source>%3: %1 km na %2</source>
        <translation>%1 km %2 von %3</translation>
    </message>
    <message>
        <source>Dostępna jest nowa wersja %1 (masz %2): %3</source>
        <translation>Neue Version %1 verfügbar (Sie haben %2): %3</translation>
    </message>
    <message>
        <source>Mapa trzęsień</source>
        <translation>Erdbebenkarte</translation>
    </message>
    <message>
        <source>Mapa</source>
        <translation>Karte</translation>
    </message>
    <message>
        <source>Klucz API Esri:</source>
        <translation>Esri-API-Schlüssel:</translation>
    </message>
    <message>
        <source>Zdjęcia satelitarne Esri są pobierane tylko z własnym kluczem; bez niego mapa pokazuje zdjęcia NASA GIBS.</source>
        <translation>Satellitenbilder von Esri werden nur mit eigenem Schlüssel geladen; ohne ihn zeigt die Karte Bilder von NASA GIBS.</translation>
    </message>
    <message>
        <source>Klucz API Esri: tylko litery, cyfry oraz . _ - (do 512 znaków).</source>
        <translation>Esri-API-Schlüssel: nur Buchstaben, Ziffern und . _ - (bis zu 512 Zeichen).</translation>
    </message>
    <message>
        <source>Lista trzęsień</source>
        <translation>Erdbebenliste</translation>
    </message>
    <message>
        <source>nie można połączyć</source>
        <translation>keine Verbindung möglich</translation>
    </message>
    <message>
        <source>nieznany host</source>
        <translation>Host nicht gefunden</translation>
    </message>
    <message>
        <source>przekroczony czas oczekiwania</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <source>błąd TLS</source>
        <translation>TLS-Fehler</translation>
    </message>
    <message>
        <source>za dużo przekierowań</source>
        <translation>zu viele Weiterleitungen</translation>
    </message>
    <message>
        <source>adres inny niż http i https</source>
        <translation>keine http- oder https-Adresse</translation>
    </message>
    <message>
        <source>za duża odpowiedź</source>
        <translation>Antwort zu groß</translation>
    </message>
    <message>
        <source>błąd sieci</source>
        <translation>Netzwerkfehler</translation>
    </message>
    <message>
        <source>Wiatr słoneczny: brak danych (%1)</source>
        <translation>Sonnenwind: keine Daten (%1)</translation>
    </message>
    <message>
        <source>Brak zasobnika systemowego: okno czeka zminimalizowane na pasku zadań. Ponowne uruchomienie programu też je przywraca.</source>
        <translation>Kein Infobereich: Das Fenster wartet minimiert in der Taskleiste. Ein erneuter Aufruf von Dravik holt es ebenfalls zurück.</translation>
    </message>
    <message>
        <source>%1 min temu</source>
        <translation>vor %1 min</translation>
    </message>
    <message>
        <source>%1 godz. temu</source>
        <translation>vor %1 Std.</translation>
    </message>
    <message>
        <source>%1 wstrząs wtórny M %2 %3 · największy M %4 · ostatni M %5, %6</source>
        <translation>%1 Nachbeben von M %2 %3 · stärkstes M %4 · letztes M %5, %6</translation>
    </message>
    <message>
        <source>%1 wstrząsy wtórne M %2 %3 · największy M %4 · ostatni M %5, %6</source>
        <translation>%1 Nachbeben von M %2 %3 · stärkstes M %4 · letztes M %5, %6</translation>
    </message>
    <message>
        <source>%1 wstrząsów wtórnych M %2 %3 · największy M %4 · ostatni M %5, %6</source>
        <translation>%1 Nachbeben von M %2 %3 · stärkstes M %4 · letztes M %5, %6</translation>
    </message>
    <message>
        <source>%1 wstrząs wtórny · największy M %2 · ostatni M %3 (%4)</source>
        <translation>%1 Nachbeben · stärkstes M %2 · letztes M %3 (%4)</translation>
    </message>
    <message>
        <source>%1 wstrząsy wtórne · największy M %2 · ostatni M %3 (%4)</source>
        <translation>%1 Nachbeben · stärkstes M %2 · letztes M %3 (%4)</translation>
    </message>
    <message>
        <source>%1 wstrząsów wtórnych · największy M %2 · ostatni M %3 (%4)</source>
        <translation>%1 Nachbeben · stärkstes M %2 · letztes M %3 (%4)</translation>
    </message>
    <message>
        <source>Następne 7 dni: M 5+ %1, M %2+ %3 (%4)</source>
        <translation>Nächste 7 Tage: M 5+ %1, M %2+ %3 (%4)</translation>
    </message>
    <message>
        <source>ocena ogólna</source>
        <translation>allgemeine Schätzung</translation>
    </message>
    <message>
        <source>prognoza USGS</source>
        <translation>USGS-Prognose</translation>
    </message>
    <message>
        <source>sprawdzone przez agencję</source>
        <translation>von der Agentur geprüft</translation>
    </message>
    <message>
        <source>zmieniło się spodziewane wstrząsanie</source>
        <translation>die erwartete Erschütterung hat sich geändert</translation>
        <source>odczuto %1, %2 zgłoszenie</source>
        <translation>verspürt %1, %2 Meldung</translation>
    </message>
    <message>
        <source>odczuto %1, %2 zgłoszenia</source>
        <translation>verspürt %1, %2 Meldungen</translation>
    </message>
    <message>
        <source>odczuto %1, %2 zgłoszeń</source>
        <translation>verspürt %1, %2 Meldungen</translation>
    </message>
    <message>
        <source>%1 zgłoszenie odczucia</source>
        <translation>%1 Fühlbarkeitsmeldung</translation>
    </message>
    <message>
        <source>%1 zgłoszenia odczucia</source>
        <translation>%1 Fühlbarkeitsmeldungen</translation>
    </message>
    <message>
        <source>%1 zgłoszeń odczucia</source>
        <translation>%1 Fühlbarkeitsmeldungen</translation>
    </message>
    <message>
        <source>odczuto %1</source>
        <translation>verspürt %1</translation>
    </message>
    <message>
        <source>PAGER %1</source>
        <translation>PAGER %1</translation>
    </message>
    <message>
        <source>Silne trzęsienie pod dnem morza: oficjalne komunikaty podaje tsunami.gov</source>
        <translation>Starkes Beben unter dem Meer: die offiziellen Meldungen gibt tsunami.gov</translation>
    </message>
    <message>
        <source>brak komunikatu o tsunami</source>
        <translation>keine Tsunami-Meldung</translation>
    </message>
    <message>
        <source>%3: spodziewane %1 (%2)</source>
        <translation>%1 (%2) erwartet in %3</translation>
    </message>
    <message>
        <source>Najważniejsze trzęsienie ostatniej doby; kliknięcie zaznacza je na liście</source>
        <translation>Das wichtigste Beben des letzten Tages; ein Klick wählt es in der Liste aus</translation>
    </message>
    <message>
        <source>Tylko istotne (odczuwalne w Twoich miejscach albo od M 2,5)</source>
        <translation>Nur bedeutende (an Ihren Orten spürbar oder ab M 2,5)</translation>
    </message>
    <message>
        <source>Gdzie jesteś?</source>
        <translation>Wo sind Sie?</translation>
    </message>
    <message>
        <source>Wpisz nazwę swojej miejscowości i wybierz ją z listy: program powie, jak silnie możesz odczuć każde trzęsienie. Możesz to pominąć i podać miejsca później.</source>
        <translation>Geben Sie den Namen Ihres Ortes ein und wählen Sie ihn aus der Liste: Das Programm sagt dann, wie stark Sie jedes Beben spüren können. Sie können das überspringen und Ihre Orte später angeben.</translation>
    </message>
    <message>
        <source>Miejscowość:</source>
        <translation>Ort:</translation>
    </message>
    <message>
        <source>Znalezione miejsca</source>
        <translation>Gefundene Orte</translation>
    </message>
    <message>
        <source>Nie ma miejscowości o takiej nazwie.</source>
        <translation>Kein Ort dieses Namens.</translation>
    </message>
    <message>
        <source>Brak pliku z miejscowościami; podaj współrzędne.</source>
        <translation>Die Ortsdatei fehlt; geben Sie die Koordinaten an.</translation>
    </message>
    <message>
        <source>Dalej</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Pomiń</source>
        <translation>Überspringen</translation>
    </message>
    <message>
        <source>Co ma cię alarmować?</source>
        <translation>Was soll Sie alarmieren?</translation>
    </message>
    <message>
        <source>Każde nowe trzęsienie, jak dotąd</source>
        <translation>Jedes neue Beben, wie bisher</translation>
    </message>
    <message>
        <source>Klasyczny dźwięk przy każdym nowym trzęsieniu.</source>
        <translation>Der klassische Ton bei jedem neuen Beben.</translation>
    </message>
    <message>
        <source>Blisko mnie i silne</source>
        <translation>In meiner Nähe und starke</translation>
    </message>
    <message>
        <source>Intensywność III lub więcej w moich miejscach, M 5 do 300 km, M 6,5 wszędzie; z powiadomieniami na pulpicie.</source>
        <translation>Intensität III oder mehr an meinen Orten, M 5 im Umkreis von 300 km, M 6,5 überall; mit Desktop-Benachrichtigungen.</translation>
    </message>
    <message>
        <source>Tylko to, co bym odczuł</source>
        <translation>Nur was ich spüren würde</translation>
    </message>
    <message>
        <source>Intensywność III lub więcej w moich miejscach.</source>
        <translation>Intensität III oder mehr an meinen Orten.</translation>
    </message>
    <message>
        <source>Gotowe</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Znajdź…</source>
        <translation>Suchen…</translation>
    </message>
    <message>
        <source>Znajdź miejsce</source>
        <translation>Ort suchen</translation>
    </message>
    <message>
        <source>Miejscowości: GeoNames (geonames.org), CC BY 4.0</source>
        <translation>Orte: GeoNames (geonames.org), CC BY 4.0</translation>
    </message>
    <message>
        <source>Czytane po kolei; bez zaznaczenia: EMSC.</source>
        <translation>Der Reihe nach gelesen; nichts angekreuzt: EMSC.</translation>
    </message>
    <message>
        <source>Inny adres…</source>
        <translation>Andere Adresse…</translation>
    </message>
    <message>
        <source>Inne źródło</source>
        <translation>Andere Quelle</translation>
    </message>
    <message>
        <source>Adres usługi FDSN (…/fdsnws/event/1/query) lub strony ze zdarzeniami:</source>
        <translation>Adresse eines FDSN-Dienstes (…/fdsnws/event/1/query) oder einer Seite mit Ereignissen:</translation>
    </message>
    <message>
        <source>Warunki: %1</source>
        <translation>Bedingungen: %1</translation>
    </message>
    <message>
        <source>Miejsca</source>
        <translation>Orte</translation>
    </message>
    <message>
        <source>Źródła</source>
        <translation>Quellen</translation>
    </message>
    <message>
        <source>Ogólne</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Ostatnie: M %1 %2 %3</source>
        <translation>Zuletzt: M %1 %2 %3</translation>
    </message>
</context>
<context>
    <name>Tray</name>
    <message>
        <source>Pokaż listę</source>
        <translation>Liste anzeigen</translation>
    </message>
    <message>
        <source>Zmień język</source>
        <translation>Sprache ändern</translation>
    </message>
    <message>
        <source>Ustawienia...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Zakończ</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>
