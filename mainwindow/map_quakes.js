// The listed events on the built-in map: a circle for each, coloured by age, a legend and the home place.
// Everything arrives through the web channel as numbers and texts; texts only ever become text nodes.
(function () {
    "use strict";
    var map = window.dravikMap;
    if (!map || typeof QWebChannel === "undefined" || typeof qt === "undefined" || !qt.webChannelTransport) {
        return;
    }
    var ageColours = ["#e31a1c", "#fd8d3c", "#fed976"];
    var layer = L.featureGroup().addTo(map);
    var circles = new Map();
    var bridge = null;
    var legend = null;
    var home = null;

    function textBox(lines) {
        var box = document.createElement("div");
        lines.forEach(function (line, i) {
            if (i > 0) {
                box.appendChild(document.createElement("br"));
            }
            box.appendChild(document.createTextNode(line));
        });
        return box;
    }

    function addCircle(e) {
        if (circles.has(e.id)) {
            return;
        }
        var circle = L.circleMarker([e.lat, e.lon], {
            radius: e.radius,
            color: "#333333",
            weight: 1,
            fillColor: ageColours[e.age] || ageColours[2],
            fillOpacity: 0.75
        });
        circle.dravikEvent = e;
        circle.bindTooltip(function () {
            return textBox([e.mag + "  " + e.region, e.date + " " + e.time]);
        });
        circle.on("click", function () {
            if (bridge) {
                bridge.circleClicked(e.id);
            }
        });
        circle.addTo(layer);
        circles.set(e.id, circle);
    }

    function showLegend(texts) {
        if (legend) {
            map.removeControl(legend);
        }
        legend = L.control({position: "bottomleft"});
        legend.onAdd = function () {
            var box = L.DomUtil.create("div", "dravik-legend");
            texts.forEach(function (text, age) {
                var row = document.createElement("div");
                var dot = document.createElement("i");
                dot.style.background = ageColours[age];
                row.appendChild(dot);
                row.appendChild(document.createTextNode(text));
                box.appendChild(row);
            });
            return box;
        };
        legend.addTo(map);
    }

    var houseIcon = L.divIcon({
        className: "dravik-home",
        iconSize: [22, 22],
        iconAnchor: [11, 20],
        html: "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"22\" height=\"22\" viewBox=\"0 0 22 22\">" +
            "<path d=\"M11 2 L21 11 H18 V20 H13 V14 H9 V20 H4 V11 H1 Z\" fill=\"#1f5fbf\" stroke=\"#ffffff\" " +
            "stroke-width=\"1.5\" stroke-linejoin=\"round\"/></svg>"
    });

    function showHome(place) {
        if (home) {
            map.removeLayer(home);
            home = null;
        }
        if (!place || typeof place.lat !== "number" || typeof place.lon !== "number") {
            return;
        }
        home = L.marker([place.lat, place.lon], {icon: houseIcon, keyboard: false, zIndexOffset: 1000});
        home.bindTooltip(function () {
            return textBox([place.name]);
        });
        home.addTo(map);
    }

    window.dravikQuakes = {layer: layer, circles: circles, home: function () { return home; }};

    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects.dravik;
        bridge.eventsReset.connect(function (events) {
            layer.clearLayers();
            circles.clear();
            events.forEach(addCircle);
        });
        bridge.eventsAdded.connect(function (events) {
            events.forEach(addCircle);
        });
        bridge.eventsAged.connect(function (pairs) {
            for (var i = 0; i + 1 < pairs.length; i += 2) {
                var circle = circles.get(pairs[i]);
                if (circle) {
                    circle.dravikEvent.age = pairs[i + 1];
                    circle.setStyle({fillColor: ageColours[pairs[i + 1]] || ageColours[2]});
                }
            }
        });
        bridge.markerMoved.connect(function (lat, lon) {
            var position = L.latLng(lat, lon);
            window.dravikMarker.setLatLng(position);
            if (!map.getBounds().contains(position)) {
                map.panTo(position);
            }
        });
        bridge.legendChanged.connect(showLegend);
        bridge.homeChanged.connect(showHome);
        bridge.pageReady();
    });
})();
