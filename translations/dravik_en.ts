<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="pl">
<context>
    <name>About</name>
    <message>
        <source>O programie Dravik</source>
        <translation>About Dravik</translation>
    </message>
    <message>
        <source>Dane sejsmiczne:</source>
        <translation>Seismic data:</translation>
    </message>
    <message>
        <source>Granice płyt: PB2002 (Peter Bird), GeoJSON: Hugo Ahlenius, Nordpil (ODC-By)</source>
        <translation>Plate boundaries: PB2002 (Peter Bird), GeoJSON by Hugo Ahlenius, Nordpil (ODC-By)</translation>
    </message>
    <message>
        <source>Miejscowości: GeoNames (geonames.org), CC BY 4.0</source>
        <translation>Places: GeoNames (geonames.org), CC BY 4.0</translation>
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
        <translation>Mar</translation>
    </message>
    <message>
        <source>kwi</source>
        <translation>Apr</translation>
    </message>
    <message>
        <source>maj</source>
        <translation>May</translation>
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
        <translation>Oct</translation>
    </message>
    <message>
        <source>lis</source>
        <translation>Nov</translation>
    </message>
    <message>
        <source>gru</source>
        <translation>Dec</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%2 %1</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>Historia wstrząsów</source>
        <translation>Earthquake history</translation>
    </message>
    <message>
        <source>Zamknij</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Pokaż od</source>
        <translation>Show from</translation>
    </message>
    <message>
        <source>do</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Wartość magnitude</source>
        <translation>Magnitude</translation>
    </message>
    <message>
        <source>Energia wstrząsu</source>
        <translation>Energy released</translation>
    </message>
    <message>
        <source>Słupki</source>
        <translation>Bars</translation>
    </message>
    <message>
        <source>Łączenie punktów</source>
        <translation>Lines</translation>
    </message>
    <message>
        <source>Wczytywanie…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>WSZYSTKIE</source>
        <translation>ALL</translation>
    </message>
    <message>
        <source>Odczuwalne u mnie od</source>
        <translation>Felt at my places from</translation>
    </message>
    <message>
        <source>Intensywność u mnie</source>
        <translation>Shaking at my places</translation>
    </message>
    <message>
        <source>Tylko wstrząsy, których oczekiwana intensywność w skali Mercallego sięga tego stopnia w domu lub w którymś z innych miejsc</source>
        <translation>Only quakes whose expected Mercalli intensity reaches this level at home or at one of the other places</translation>
    </message>
    <message>
        <source>Najpierw ustaw dom lub inne miejsca w ustawieniach programu</source>
        <translation>First set your home or other places in the program&apos;s settings</translation>
    </message>
    <message>
        <source>Magnituda</source>
        <translation>Magnitude</translation>
    </message>
    <message>
        <source>Energia względna (M1 = 3, ×2 na stopień)</source>
        <translation>Relative energy (M1 = 3, ×2 per unit)</translation>
    </message>
    <message>
        <source>Intensywność (skala Mercallego)</source>
        <translation>Intensity (Mercalli scale)</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>Polski</source>
        <translation>English</translation>
    </message>
</context>
<context>
    <name>LanguageDialog</name>
    <message>
        <source>Język programu (language)</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Dalej</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Zakończ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Schowaj</source>
        <translation>Hide</translation>
    </message>
    <message>
        <source>Pokaż na mapie</source>
        <translation>Show map</translation>
    </message>
    <message>
        <source>Normalna</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Satelita</source>
        <translation>Satellite</translation>
    </message>
    <message>
        <source>Hybryda</source>
        <translation>Hybrid</translation>
    </message>
    <message>
        <source>Fizyczna</source>
        <translation>Terrain</translation>
    </message>
    <message>
        <source>Granice płyt</source>
        <translation>Plate boundaries</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>&amp;Program</source>
        <translation>&amp;Program</translation>
    </message>
    <message>
        <source>&amp;Ukryj</source>
        <translation>&amp;Hide</translation>
    </message>
    <message>
        <source>U&amp;stawienia...</source>
        <translation>&amp;Settings...</translation>
    </message>
    <message>
        <source>Zmień &amp;język...</source>
        <translation>Change &amp;language...</translation>
    </message>
    <message>
        <source>&amp;Zamknij</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>&amp;Analizy</source>
        <translation>&amp;Analyses</translation>
    </message>
    <message>
        <source>&amp;Historia</source>
        <translation>&amp;History</translation>
    </message>
    <message>
        <source>&amp;O programie</source>
        <translation>A&amp;bout</translation>
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
        <translation>Date</translation>
    </message>
    <message>
        <source>Godzina</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Szer.</source>
        <translation>Lat.</translation>
    </message>
    <message>
        <source>Dług.</source>
        <translation>Long.</translation>
    </message>
    <message>
        <source>Zamknąć program?</source>
        <translation>Quit Dravik?</translation>
    </message>
    <message>
        <source>Pytanie</source>
        <translation>Dravik</translation>
    </message>
    <message>
        <source>Głęb.</source>
        <translation>Depth</translation>
    </message>
    <message>
        <source>Ustawienia</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Ustawienia...</source>
        <translation>Settings...</translation>
    </message>
    <message>
        <source>Alarmy</source>
        <translation>Alerts</translation>
    </message>
    <message>
        <source>Alarm od magnitudy:</source>
        <translation>Alert from magnitude:</translation>
    </message>
    <message>
        <source>Miejsce domowe</source>
        <translation>Home place</translation>
    </message>
    <message>
        <source>Szerokość (°, puste = brak):</source>
        <translation>Latitude (°, empty = none):</translation>
    </message>
    <message>
        <source>Długość (°):</source>
        <translation>Longitude (°):</translation>
    </message>
    <message>
        <source>Nazwa:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Promień (km, 0 = bez alarmu):</source>
        <translation>Radius (km, 0 = no alert):</translation>
    </message>
    <message>
        <source>W promieniu od magnitudy:</source>
        <translation>Within it from magnitude:</translation>
    </message>
    <message>
        <source>Godziny ciszy</source>
        <translation>Quiet hours</translation>
    </message>
    <message>
        <source>Włączone</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Od (GG:MM):</source>
        <translation>From (HH:MM):</translation>
    </message>
    <message>
        <source>Do (GG:MM):</source>
        <translation>To (HH:MM):</translation>
    </message>
    <message>
        <source>Zawsze budź od magnitudy:</source>
        <translation>Always wake me from magnitude:</translation>
    </message>
    <message>
        <source>Powiadomienia</source>
        <translation>Notifications</translation>
    </message>
    <message>
        <source>Powiadomienia na pulpicie</source>
        <translation>Desktop notifications</translation>
    </message>
    <message>
        <source>Od magnitudy (0 = każdy alarm):</source>
        <translation>From magnitude (0 = every alert):</translation>
    </message>
    <message>
        <source>Pokazuj czas:</source>
        <translation>Show times as:</translation>
    </message>
    <message>
        <source>klasyczny (czas źródła + 1 h)</source>
        <translation>classic (source time + 1 h)</translation>
    </message>
    <message>
        <source>mój czas lokalny</source>
        <translation>my local time</translation>
    </message>
    <message>
        <source>UTC</source>
        <translation>UTC</translation>
    </message>
    <message>
        <source>Popraw zaznaczone pola.</source>
        <translation>Correct the marked fields.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Anuluj</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Dom</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>Pokaż</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Źródła danych</source>
        <translation>Earthquake sources</translation>
    </message>
    <message>
        <source>Adresy (oddzielone spacjami, puste = EMSC):</source>
        <translation>Addresses (separated by blanks, empty = EMSC):</translation>
    </message>
    <message>
        <source>Uruchamiaj razem z sesją</source>
        <translation>Start with my session</translation>
    </message>
    <message>
        <source>Nie można zmienić uruchamiania z sesją:</source>
        <translation>Could not change the start with the session:</translation>
    </message>
    <message>
        <source>Czas źródła (UTC) plus godzina przez cały rok, jak w dawnych wersjach; bez zmiany czasu na letni.</source>
        <translation>The source&apos;s time (UTC) plus one hour all year, as earlier versions showed it; no summer time.</translation>
    </message>
    <message>
        <source>Czas zegara tego komputera, z czasem letnim; nagłówek kolumny podaje strefę (np. CET).</source>
        <translation>This computer&apos;s clock time, summer time included; the column header names the zone (e.g. CET).</translation>
    </message>
    <message>
        <source>Uniwersalny czas koordynowany: ten sam na całym świecie, bez czasu letniego; w nim podają czas agencje sejsmiczne.</source>
        <translation>Coordinated Universal Time: the same the world over, never shifted for summer; seismic agencies give times in it.</translation>
    </message>
    <message>
        <source>Alarm od magnitudy: liczba od 0 do 10, np. 4,5</source>
        <translation>Alert from magnitude: a number from 0 to 10, e.g. 4.5</translation>
    </message>
    <message>
        <source>W promieniu od magnitudy: liczba od 0 do 10, np. 3,0</source>
        <translation>Within it from magnitude: a number from 0 to 10, e.g. 3.0</translation>
    </message>
    <message>
        <source>Promień: liczba kilometrów od 0 do 40000</source>
        <translation>Radius: kilometres from 0 to 40000</translation>
    </message>
    <message>
        <source>Szerokość: stopnie od -90 do 90; podaj obie współrzędne albo żadnej</source>
        <translation>Latitude: degrees from -90 to 90; give both coordinates or neither</translation>
    </message>
    <message>
        <source>Długość: stopnie od -180 do 180; podaj obie współrzędne albo żadnej</source>
        <translation>Longitude: degrees from -180 to 180; give both coordinates or neither</translation>
    </message>
    <message>
        <source>Nazwa: najwyżej 64 bajty (ok. 32 do 64 liter)</source>
        <translation>Name: at most 64 bytes (about 32 to 64 letters)</translation>
    </message>
    <message>
        <source>Od: godzina w postaci GG:MM, np. 22:00</source>
        <translation>From: a time as HH:MM, e.g. 22:00</translation>
    </message>
    <message>
        <source>Do: godzina w postaci GG:MM, np. 07:00</source>
        <translation>To: a time as HH:MM, e.g. 07:00</translation>
    </message>
    <message>
        <source>Zawsze budź od magnitudy: liczba od 0 do 10, np. 6,5</source>
        <translation>Always wake me from magnitude: a number from 0 to 10, e.g. 6.5</translation>
    </message>
    <message>
        <source>Powiadomienia od magnitudy: liczba od 0 do 10 (0 = każdy alarm)</source>
        <translation>Notifications from magnitude: a number from 0 to 10 (0 = every alert)</translation>
    </message>
    <message>
        <source>Adresy: najwyżej 16 adresów http:// lub https:// oddzielonych spacjami</source>
        <translation>Addresses: at most 16 http:// or https:// addresses separated by blanks</translation>
    </message>
    <message>
        <source>Dravik - monitoring sejsmiczny</source>
        <translation>Dravik - earthquake monitor</translation>
    </message>
    <message>
        <source>Uruchom program ponownie</source>
        <translation>Please restart application</translation>
    </message>
    <message>
        <source>Posiadasz wersję %1 programu.
Dostępna jest nowa o numerze %2.
Do pobrania na stronie %3</source>
        <translation>Updates available. Look on %3</translation>
    </message>
    <message>
        <source>Źródło niedostępne: </source>
        <translation>Source unavailable: </translation>
    </message>
    <message>
        <source>Uzupełnianie archiwum: </source>
        <translation>Catching up: </translation>
    </message>
    <message>
        <source>Archiwum niepełne, uzupełnianie wstrzymane: %1</source>
        <translation>Archive incomplete, catch-up stopped: %1</translation>
    </message>
    <message>
        <source>Zegar komputera różni się od zegara źródła o %1</source>
        <translation>The computer&apos;s clock differs from the source&apos;s by %1</translation>
    </message>
    <message>
        <source>Archiwum było uszkodzone: zachowane jako %1, zaczęte nowe</source>
        <translation>The archive was damaged: kept as %1, a new one started</translation>
    </message>
    <message>
        <source>Brak trzęsień do pokazania: żadne źródło nie odpowiada.</source>
        <translation>No earthquakes to show: no source can be read.</translation>
    </message>
    <message>
        <source>pełny dysk</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>tylko do odczytu</source>
        <translation>read-only</translation>
    </message>
    <message>
        <source>zablokowane przez inny program</source>
        <translation>locked by another program</translation>
    </message>
    <message>
        <source>uszkodzone</source>
        <translation>damaged</translation>
    </message>
    <message>
        <source>błąd zapisu</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>Archiwum niedostępne: </source>
        <translation>Archive unavailable: </translation>
    </message>
    <message>
        <source>Ostatnia godzina</source>
        <translation>Last hour</translation>
    </message>
    <message>
        <source>Ostatnia doba</source>
        <translation>Last day</translation>
    </message>
    <message>
        <source>Starsze</source>
        <translation>Older</translation>
    </message>
    <message>
        <source> (lokalna)</source>
        <translation> (local)</translation>
    </message>
    <message>
        <source>północ</source>
        <translation>N</translation>
    </message>
    <message>
        <source>północny wschód</source>
        <translation>NE</translation>
    </message>
    <message>
        <source>wschód</source>
        <translation>E</translation>
    </message>
    <message>
        <source>południowy wschód</source>
        <translation>SE</translation>
    </message>
    <message>
        <source>południe</source>
        <translation>S</translation>
    </message>
    <message>
        <source>południowy zachód</source>
        <translation>SW</translation>
    </message>
    <message>
        <source>zachód</source>
        <translation>W</translation>
    </message>
    <message>
        <source>północny zachód</source>
        <translation>NW</translation>
    </message>
    <message>
        <source>, głębokość </source>
        <translation>, depth </translation>
    </message>
    <message>
        <source>skorygowano do M %1 (było M %2)</source>
        <translation>revised to M %1 (was M %2)</translation>
    </message>
    <message>
        <source>Jeszcze %1 trzęsienie ziemi</source>
        <translation>%1 more earthquake</translation>
    </message>
    <message>
        <source>Jeszcze %1 trzęsienia ziemi</source>
        <translation>%1 more earthquakes</translation>
    </message>
    <message>
        <source>Jeszcze %1 trzęsień ziemi</source>
        <translation>%1 more earthquakes</translation>
    </message>
    <message>
        <source>Zakończyć pracę?</source>
        <translation>Quit Dravik?</translation>
    </message>
    <message>
        <source>Prędkość wiatru słonecznego: %1 km/s, gęstość: %2 protonów/cm³</source>
        <translation>Solar wind speed: %1 km/s, density: %2 protons/cm³</translation>
    </message>
    <message>
        <source>Nie można wczytać kafelków mapy.</source>
        <translation>Map tiles cannot be loaded.</translation>
    </message>
    <message>
        <source>Nieznane położenie zdarzenia.</source>
        <translation>Position unknown.</translation>
    </message>
    <message>
        <source>Otwórz w przeglądarce</source>
        <translation>Open in browser</translation>
    </message>
    <message>
        <source>Oczekiwane wstrząsy</source>
        <translation>Expected shaking</translation>
    </message>
    <message>
        <source>Wstrząsy wg ShakeMap</source>
        <translation>Shaking by ShakeMap</translation>
    </message>
    <message>
        <source>Ustaw tu miejsce…</source>
        <translation>Set a place here…</translation>
    </message>
    <message>
        <source>Można zapisać najwyżej 10 miejsc: dom i 9 innych.</source>
        <translation>At most 10 places can be kept: the home and 9 others.</translation>
    </message>
    <message>
        <source>Odległość</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>Odczuwalność</source>
        <translation>Shaking</translation>
    </message>
    <message>
        <source>Nieodczuwalne</source>
        <translation>Not felt</translation>
    </message>
    <message>
        <source>Słabe</source>
        <translation>Weak</translation>
    </message>
    <message>
        <source>Lekkie</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>Umiarkowane</source>
        <translation>Moderate</translation>
    </message>
    <message>
        <source>Silne</source>
        <translation>Strong</translation>
    </message>
    <message>
        <source>Bardzo silne</source>
        <translation>Very strong</translation>
    </message>
    <message>
        <source>Groźne</source>
        <translation>Severe</translation>
    </message>
    <message>
        <source>Gwałtowne</source>
        <translation>Violent</translation>
    </message>
    <message>
        <source>Ekstremalne</source>
        <translation>Extreme</translation>
    </message>
    <message>
        <source>nieodczuwalne</source>
        <translation>not felt</translation>
    </message>
    <message>
        <source>słabe wstrząsy</source>
        <translation>weak shaking</translation>
    </message>
    <message>
        <source>lekkie wstrząsy</source>
        <translation>light shaking</translation>
    </message>
    <message>
        <source>umiarkowane wstrząsy</source>
        <translation>moderate shaking</translation>
    </message>
    <message>
        <source>silne wstrząsy</source>
        <translation>strong shaking</translation>
    </message>
    <message>
        <source>bardzo silne wstrząsy</source>
        <translation>very strong shaking</translation>
    </message>
    <message>
        <source>groźne wstrząsy</source>
        <translation>severe shaking</translation>
    </message>
    <message>
        <source>gwałtowne wstrząsy</source>
        <translation>violent shaking</translation>
    </message>
    <message>
        <source>ekstremalne wstrząsy</source>
        <translation>extreme shaking</translation>
    </message>
    <message>
        <source>ShakeMap, %2: %1</source>
        <translation>ShakeMap: %1 at %2</translation>
    </message>
    <message>
        <source>Odczuwalne, %2: %1 (zgłoszeń w promieniu 10 km: %3)</source>
        <translation>felt at %2: %1, %3 reports within 10 km</translation>
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
        <translation>green</translation>
    </message>
    <message>
        <source>żółty</source>
        <translation>yellow</translation>
    </message>
    <message>
        <source>pomarańczowy</source>
        <translation>orange</translation>
    </message>
    <message>
        <source>czerwony</source>
        <translation>red</translation>
    </message>
    <message>
        <source>Poziom alarmu PAGER: %1</source>
        <translation>PAGER alert level: %1</translation>
    </message>
    <message>
        <source>Komunikat o tsunami – sprawdź oficjalne ostrzeżenia</source>
        <translation>Tsunami message issued – check official warnings</translation>
    </message>
    <message>
        <source>Alarm, gdy u mnie może być odczuwalne od:</source>
        <translation>Alert when shaking at my places may reach:</translation>
    </message>
    <message>
        <source>nigdy (tylko magnituda)</source>
        <translation>never (magnitude only)</translation>
    </message>
    <message>
        <source>Inne miejsca</source>
        <translation>Other places</translation>
    </message>
    <message>
        <source>Dodaj…</source>
        <translation>Add…</translation>
    </message>
    <message>
        <source>Zmień…</source>
        <translation>Edit…</translation>
    </message>
    <message>
        <source>Usuń</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Miejsce</source>
        <translation>Place</translation>
    </message>
    <message>
        <source>Szerokość (°):</source>
        <translation>Latitude (°):</translation>
    </message>
    <message>
        <source>Podaj nazwę (najwyżej 64 bajty), szerokość od -90 do 90 i długość od -180 do 180.</source>
        <translation>Give a name (at most 64 bytes), a latitude from -90 to 90 and a longitude from -180 to 180.</translation>
    </message>
    <message>
        <source>ShakeMap: najsilniej %1</source>
        <translation>ShakeMap: up to %1</translation>
    </message>
    <message>
        <source>Ostrzeżenie o tsunami: %1 (%2)</source>
        <translation>Tsunami alert: %1 (%2)</translation>
    </message>
    <message>
        <source>Otwórz komunikat</source>
        <translation>Open message</translation>
    </message>
    <message>
        <source>Jeszcze %1 komunikat o tsunami</source>
        <translation>%1 more tsunami message</translation>
    </message>
    <message>
        <source>Jeszcze %1 komunikaty o tsunami</source>
        <translation>%1 more tsunami messages</translation>
    </message>
    <message>
        <source>Jeszcze %1 komunikatów o tsunami</source>
        <translation>%1 more tsunami messages</translation>
    </message>
    <message>
        <source>Dźwięk wstrząsów wtórnych raz na cykl</source>
        <translation>Aftershocks sound once a cycle</translation>
    </message>
    <message>
        <source>%1 wstrząs wtórny M %2 %3, największy M %4</source>
        <translation>%1 aftershock of M %2 %3, largest M %4</translation>
    </message>
    <message>
        <source>%1 wstrząsy wtórne M %2 %3, największy M %4</source>
        <translation>%1 aftershocks of M %2 %3, largest M %4</translation>
    </message>
    <message>
        <source>%1 wstrząsów wtórnych M %2 %3, największy M %4</source>
        <translation>%1 aftershocks of M %2 %3, largest M %4</translation>
    </message>
    <message>
        <source>wstrząs wtórny: M %1 %2</source>
        <translation>aftershock of M %1 %2</translation>
    </message>
    <message>
        <source>strefa wstrząsów wtórnych</source>
        <translation>aftershock zone</translation>
    </message>
    <message>
        <source>%3: %1 km na %2</source>
        <translation>%1 km %2 of %3</translation>
    </message>
    <message>
        <source>Dostępna jest nowa wersja %1 (masz %2): %3</source>
        <translation>New version %1 available (you have %2): %3</translation>
    </message>
    <message>
        <source>Mapa trzęsień</source>
        <translation>Earthquake map</translation>
    </message>
    <message>
        <source>Mapa</source>
        <translation>Map</translation>
    </message>
    <message>
        <source>Klucz API Esri:</source>
        <translation>Esri API key:</translation>
    </message>
    <message>
        <source>Zdjęcia satelitarne Esri są pobierane tylko z własnym kluczem; bez niego mapa pokazuje zdjęcia NASA GIBS.</source>
        <translation>Esri&apos;s satellite imagery is fetched only with your own key; without one the map shows NASA GIBS imagery.</translation>
    </message>
    <message>
        <source>Klucz API Esri: tylko litery, cyfry oraz . _ - (do 512 znaków).</source>
        <translation>Esri API key: letters, digits and . _ - only (up to 512 characters).</translation>
    </message>
    <message>
        <source>Lista trzęsień</source>
        <translation>Earthquake list</translation>
    </message>
    <message>
        <source>nie można połączyć</source>
        <translation>cannot connect</translation>
    </message>
    <message>
        <source>nieznany host</source>
        <translation>host not found</translation>
    </message>
    <message>
        <source>przekroczony czas oczekiwania</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>błąd TLS</source>
        <translation>TLS error</translation>
    </message>
    <message>
        <source>za dużo przekierowań</source>
        <translation>too many redirects</translation>
    </message>
    <message>
        <source>adres inny niż http i https</source>
        <translation>not an http or https address</translation>
    </message>
    <message>
        <source>za duża odpowiedź</source>
        <translation>answer too large</translation>
    </message>
    <message>
        <source>błąd sieci</source>
        <translation>network error</translation>
    </message>
    <message>
        <source>Wiatr słoneczny: brak danych (%1)</source>
        <translation>Solar wind: no data (%1)</translation>
    </message>
    <message>
        <source>Brak zasobnika systemowego: okno czeka zminimalizowane na pasku zadań. Ponowne uruchomienie programu też je przywraca.</source>
        <translation>No system tray: the window waits minimised on the taskbar. Starting Dravik again also brings it back.</translation>
    </message>
    <message>
        <source>%1 min temu</source>
        <translation>%1 min ago</translation>
    </message>
    <message>
        <source>%1 godz. temu</source>
        <translation>%1 h ago</translation>
    </message>
    <message>
        <source>%1 wstrząs wtórny M %2 %3 · największy M %4 · ostatni M %5, %6</source>
        <translation>%1 aftershock of M %2 %3 · largest M %4 · latest M %5, %6</translation>
    </message>
    <message>
        <source>%1 wstrząsy wtórne M %2 %3 · największy M %4 · ostatni M %5, %6</source>
        <translation>%1 aftershocks of M %2 %3 · largest M %4 · latest M %5, %6</translation>
    </message>
    <message>
        <source>%1 wstrząsów wtórnych M %2 %3 · największy M %4 · ostatni M %5, %6</source>
        <translation>%1 aftershocks of M %2 %3 · largest M %4 · latest M %5, %6</translation>
    </message>
    <message>
        <source>%1 wstrząs wtórny · największy M %2 · ostatni M %3 (%4)</source>
        <translation>%1 aftershock · largest M %2 · latest M %3 (%4)</translation>
    </message>
    <message>
        <source>%1 wstrząsy wtórne · największy M %2 · ostatni M %3 (%4)</source>
        <translation>%1 aftershocks · largest M %2 · latest M %3 (%4)</translation>
    </message>
    <message>
        <source>%1 wstrząsów wtórnych · największy M %2 · ostatni M %3 (%4)</source>
        <translation>%1 aftershocks · largest M %2 · latest M %3 (%4)</translation>
    </message>
    <message>
        <source>Następne 7 dni: M 5+ %1, M %2+ %3 (%4)</source>
        <translation>Next 7 days: M 5+ %1, M %2+ %3 (%4)</translation>
    </message>
    <message>
        <source>ocena ogólna</source>
        <translation>generic estimate</translation>
    </message>
    <message>
        <source>prognoza USGS</source>
        <translation>USGS forecast</translation>
    </message>
    <message>
        <source>sprawdzone przez agencję</source>
        <translation>reviewed by the agency</translation>
    </message>
    <message>
        <source>zmieniło się spodziewane wstrząsanie</source>
        <translation>the shaking expected has changed</translation>
        <source>odczuto %1, %2 zgłoszenie</source>
        <translation>felt %1, %2 report</translation>
    </message>
    <message>
        <source>odczuto %1, %2 zgłoszenia</source>
        <translation>felt %1, %2 reports</translation>
    </message>
    <message>
        <source>odczuto %1, %2 zgłoszeń</source>
        <translation>felt %1, %2 reports</translation>
    </message>
    <message>
        <source>%1 zgłoszenie odczucia</source>
        <translation>%1 felt report</translation>
    </message>
    <message>
        <source>%1 zgłoszenia odczucia</source>
        <translation>%1 felt reports</translation>
    </message>
    <message>
        <source>%1 zgłoszeń odczucia</source>
        <translation>%1 felt reports</translation>
    </message>
    <message>
        <source>odczuto %1</source>
        <translation>felt %1</translation>
    </message>
    <message>
        <source>PAGER %1</source>
        <translation>PAGER %1</translation>
    </message>
    <message>
        <source>Silne trzęsienie pod dnem morza: oficjalne komunikaty podaje tsunami.gov</source>
        <translation>Large quake under the sea: tsunami.gov has the official messages</translation>
    </message>
    <message>
        <source>brak komunikatu o tsunami</source>
        <translation>no tsunami message</translation>
    </message>
    <message>
        <source>%3: spodziewane %1 (%2)</source>
        <translation>%1 (%2) expected at %3</translation>
    </message>
    <message>
        <source>Najważniejsze trzęsienie ostatniej doby; kliknięcie zaznacza je na liście</source>
        <translation>The most important quake of the last day; a click selects it in the list</translation>
    </message>
    <message>
        <source>Tylko istotne (odczuwalne w Twoich miejscach albo od M 2,5)</source>
        <translation>Significant only (felt at your places or M 2.5 and above)</translation>
    </message>
    <message>
        <source>Gdzie jesteś?</source>
        <translation>Where are you?</translation>
    </message>
    <message>
        <source>Wpisz nazwę swojej miejscowości i wybierz ją z listy: program powie, jak silnie możesz odczuć każde trzęsienie. Możesz to pominąć i podać miejsca później.</source>
        <translation>Type the name of your town and pick it from the list: the program will tell how strongly you may feel each quake. You can skip this and give your places later.</translation>
    </message>
    <message>
        <source>Miejscowość:</source>
        <translation>Town:</translation>
    </message>
    <message>
        <source>Znalezione miejsca</source>
        <translation>Places found</translation>
    </message>
    <message>
        <source>Nie ma miejscowości o takiej nazwie.</source>
        <translation>No town of that name.</translation>
    </message>
    <message>
        <source>Brak pliku z miejscowościami; podaj współrzędne.</source>
        <translation>The file of towns is missing; give the coordinates.</translation>
    </message>
    <message>
        <source>Dalej</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Pomiń</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>Co ma cię alarmować?</source>
        <translation>What should alert you?</translation>
    </message>
    <message>
        <source>Każde nowe trzęsienie, jak dotąd</source>
        <translation>Every new quake, as before</translation>
    </message>
    <message>
        <source>Klasyczny dźwięk przy każdym nowym trzęsieniu.</source>
        <translation>The classic sound for each new quake.</translation>
    </message>
    <message>
        <source>Blisko mnie i silne</source>
        <translation>Near me and strong ones</translation>
    </message>
    <message>
        <source>Intensywność III lub więcej w moich miejscach, M 5 do 300 km, M 6,5 wszędzie; z powiadomieniami na pulpicie.</source>
        <translation>Intensity III or more at my places, M 5 within 300 km, M 6.5 anywhere; with desktop notifications.</translation>
    </message>
    <message>
        <source>Tylko to, co bym odczuł</source>
        <translation>Only what I would feel</translation>
    </message>
    <message>
        <source>Intensywność III lub więcej w moich miejscach.</source>
        <translation>Intensity III or more at my places.</translation>
    </message>
    <message>
        <source>Gotowe</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Znajdź…</source>
        <translation>Find…</translation>
    </message>
    <message>
        <source>Znajdź miejsce</source>
        <translation>Find a place</translation>
    </message>
    <message>
        <source>Miejscowości: GeoNames (geonames.org), CC BY 4.0</source>
        <translation>Places: GeoNames (geonames.org), CC BY 4.0</translation>
    </message>
    <message>
        <source>Czytane po kolei; bez zaznaczenia: EMSC.</source>
        <translation>Read in this order; none ticked: EMSC.</translation>
    </message>
    <message>
        <source>Inny adres…</source>
        <translation>Other address…</translation>
    </message>
    <message>
        <source>Inne źródło</source>
        <translation>Other source</translation>
    </message>
    <message>
        <source>Adres usługi FDSN (…/fdsnws/event/1/query) lub strony ze zdarzeniami:</source>
        <translation>Address of an FDSN service (…/fdsnws/event/1/query) or of a page of events:</translation>
    </message>
    <message>
        <source>Warunki: %1</source>
        <translation>Terms: %1</translation>
    </message>
    <message>
        <source>Miejsca</source>
        <translation>Places</translation>
    </message>
    <message>
        <source>Źródła</source>
        <translation>Sources</translation>
    </message>
    <message>
        <source>Ogólne</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Ostatnie: M %1 %2 %3</source>
        <translation>Latest: M %1 %2 %3</translation>
    </message>
</context>
<context>
    <name>Tray</name>
    <message>
        <source>Pokaż listę</source>
        <translation>Show list</translation>
    </message>
    <message>
        <source>Zmień język</source>
        <translation>Change language</translation>
    </message>
    <message>
        <source>Ustawienia...</source>
        <translation>Settings...</translation>
    </message>
    <message>
        <source>Zakończ</source>
        <translation>Quit</translation>
    </message>
</context>
</TS>
