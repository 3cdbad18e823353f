// The map page: the group track, the current track split at the playback position, the position
// marker and the event icons. It asks the host object "sample" for its data; every host call is
// asynchronous, so each step continues in the call's callback, in the order the steps run.
"use strict";

var sample = null;
var g_lastJpgNum = -1;
var g_isStartInitConnect = false;
var g_isInitConnect = false;
var g_isInit = false;
var g_map = null;
var g_marker = null;
var g_newlat = 0;
var g_newlng = 0;

var kJumpDegrees = 0.001385; // about 150 m: a gap in the track, not a drive
var kShowPeriodMs = 1000;

// Icons by event code 0..13, and their shadow.
var g_iconurl = ["183", "183", "183", "183", "183", "185", "182", "216", "221", "329", "330", "184", "180",
    "181"].map(function (id) { return "qrc:/skin/" + id + ".png"; });
var g_shadow = "qrc:/skin/186.png";

// Script errors are kept from the user but recorded, so tests can see them.
var kivoraErrors = [];
function recordError(error) {
    kivoraErrors.push(String(error && error.stack ? error.stack : error));
}
window.onerror = function (message, source, line) {
    recordError(message + " (" + source + ":" + line + ")");
    return true;
};
window.addEventListener("unhandledrejection", function (event) {
    recordError(event.reason);
    event.preventDefault();
});

// Runs fn, recording what it throws; then always runs after (when given).
function guarded(fn, after) {
    try {
        fn();
    } catch (e) {
        recordError(e);
        if (after)
            after();
    }
}

function validLatLng(lat, lng) {
    return typeof lat === "number" && typeof lng === "number" && isFinite(lat) && isFinite(lng)
        && Math.abs(lat) <= 90 && Math.abs(lng) <= 180 && !(lat === 0 && lng === 0);
}

function readNumber(id) {
    var value = Number(document.getElementById(id).value);
    return isFinite(value) ? value : 0;
}

// ---- Tiles and the "offline" note ----------------------------------------------------------------

var g_tiles = null;
var g_offlineNote = null;
var g_tileRound = { loaded: 0, failed: 0 };
var g_tilesOnline = true;
var g_networkReachable = true;
var g_retryTimer = null;
var g_retryDelayMs = 30000;
var kRetryMinMs = 30000;
var kRetryMaxMs = 300000;

function updateOfflineNote() {
    if (!g_offlineNote)
        return;
    var offline = !g_tilesOnline || !g_networkReachable;
    g_offlineNote.classList.toggle("kv-shown", offline);
}

function setTilesOnline(online) {
    g_tilesOnline = online;
    updateOfflineNote();
    if (online) {
        g_retryDelayMs = kRetryMinMs;
        if (g_retryTimer !== null) {
            clearTimeout(g_retryTimer);
            g_retryTimer = null;
        }
    } else if (g_retryTimer === null) {
        // Failed tiles are asked for again only now and then, backing off: never a poll per second.
        g_retryTimer = setTimeout(function () {
            g_retryTimer = null;
            g_retryDelayMs = Math.min(g_retryDelayMs * 2, kRetryMaxMs);
            retryTiles();
        }, g_retryDelayMs);
    }
}

function retryTiles() {
    if (g_tiles)
        g_tiles.redraw();
}

// Only {s}, {z}, {x}, {y}, {-y} and {r} are filled in; any other name would make every tile fail.
function usableTileUrl(url) {
    if (typeof url !== "string" || !/^https?:\/\/[^\/]/i.test(url))
        return false;
    var names = url.match(/\{[^}]*\}/g) || [];
    return names.every(function (name) { return /^\{(s|z|x|y|-y|r)\}$/.test(name); });
}

function addTiles(config) {
    var url = config ? config.url : "";
    var attribution = config && typeof config.attribution === "string" ? config.attribution : "";
    var Note = L.Control.extend({
        options: { position: "bottomright" },
        onAdd: function () {
            var div = L.DomUtil.create("div", "kv-offline");
            div.textContent = "offline";
            return div;
        }
    });
    g_offlineNote = new Note().addTo(g_map).getContainer();
    if (!usableTileUrl(url)) {
        setTilesOnline(false);
        return;
    }
    // The attribution is shown as text: a settings file cannot put markup into the page.
    var text = document.createElement("span");
    text.textContent = attribution;
    g_tiles = L.tileLayer(url, { maxZoom: 19, attribution: text.innerHTML });
    g_tiles.on("loading", function () { g_tileRound = { loaded: 0, failed: 0 }; });
    g_tiles.on("tileload", function () {
        g_tileRound.loaded++;
        setTilesOnline(true);
    });
    g_tiles.on("tileerror", function () {
        g_tileRound.failed++;
        if (g_tileRound.loaded === 0)
            setTilesOnline(false);
    });
    g_tiles.addTo(g_map);
}

function onNetworkReachable(reachable) {
    var back = reachable && !g_networkReachable;
    g_networkReachable = reachable;
    updateOfflineNote();
    if (back && !g_tilesOnline)
        retryTiles();
}

// ---- The map itself ----------------------------------------------------------------------------------

function createMap(done) {
    g_isStartInitConnect = true;
    sample.JS2C_GetMapURL(function (config) {
        guarded(function () {
            L.Icon.Default.imagePath = "leaflet/images/";
            g_map = L.map("map_canvas", { center: [0.0, 0.0], zoom: 16, attributionControl: false });
            // Without the library's prefix link: the page never navigates away.
            g_map.attributionControl = L.control.attribution({ prefix: false }).addTo(g_map);
            // Group track below the current track, both below the markers.
            g_map.createPane("kvGroup").style.zIndex = 401;
            g_map.createPane("kvCurrent").style.zIndex = 402;
            L.control.scale().addTo(g_map);
            addTiles(config);
            g_marker = L.marker([0.0, 0.0]).addTo(g_map);
            sample.JS2C_OnInitHtml();
            g_isInitConnect = true;
        });
        g_isStartInitConnect = false;
        done(g_isInitConnect);
    });
}

function dropMap() {
    g_isStartInitConnect = false;
    g_isInitConnect = false;
    g_isInit = false;
    if (g_map) {
        g_map.remove();
        g_map = null;
    }
    g_marker = null;
    g_tiles = null;
    g_offlineNote = null;
    cplist.markers = [];
    orbitgrplist.reset();
}

// Asks whether the map may show; creates the map on the first yes, drops it on a no.
function ConnectTest(done) {
    sample.JS2C_ConnectTest(function (ok) {
        if (!ok) {
            dropMap();
            done(false);
        } else if (!g_map && !g_isStartInitConnect) {
            createMap(done);
        } else {
            done(g_isInitConnect);
        }
    });
}

function loadMarker(position) {
    if (!g_map)
        return;
    g_map.panTo(position, { animate: false });
    if (g_marker)
        g_marker.remove();
    g_marker = L.marker(position).addTo(g_map);
}

// ---- Tracks ------------------------------------------------------------------------------------------

function PointList() {
    this.points = [];
    this.JpgNumList = [];
}

// A track array: latitude, longitude, frame per point, then the count. Points that are not on the
// globe are left out.
PointList.prototype.GetPoints = function (data) {
    if (!g_map || !Array.isArray(data) || data.length <= 1)
        return;
    for (var i = 0; i + 2 < data.length - 1; i += 3) {
        var lat = Number(data[i]);
        var lng = Number(data[i + 1]);
        var frame = Number(data[i + 2]);
        if (!validLatLng(lat, lng))
            continue;
        this.points.push(L.latLng(lat, lng));
        this.JpgNumList.push(isFinite(frame) ? frame : 0);
    }
};

PointList.prototype.ReleasePoints = function () {
    this.points = [];
    this.JpgNumList = [];
};

// Points start .. end - 1 as one line; null when there are none.
PointList.prototype.DrawGridLine = function (start, end, color, opacity, index) {
    if (!g_map)
        return null;
    var points = this.points.slice(start, end);
    if (points.length < 1)
        return null;
    return L.polyline(points, {
        color: color,
        opacity: opacity,
        weight: 3,
        interactive: false,
        pane: index === 1 ? "kvGroup" : "kvCurrent",
        zIndex: index
    }).addTo(g_map);
};

function OrbitGrp(start, end) {
    this.start = start;
    this.end = end;
}

function OrbitGrpList() {
    this.reset();
}

OrbitGrpList.prototype.reset = function () {
    this.orbitlist = [];
    this.grpline = [];
    this.histline = [];
    this.schline = [];
    this.grplist = new PointList();
    this.gridlist = new PointList();
    // Newer requests win over answers still on their way.
    this.grpRequest = 0;
    this.gridRequest = 0;
};

// Pieces of continuous track (inclusive indices), split where two points lie too far apart.
OrbitGrpList.prototype.pieces = function (list) {
    var pieces = [];
    if (list.length === 0)
        return pieces;
    var start = 0;
    for (var i = 1; i < list.length; i++) {
        var prev = list[i - 1];
        var cur = list[i];
        var dlat = cur.lat - prev.lat;
        var dlng = (cur.lng - prev.lng) * Math.cos(cur.lat * Math.PI / 180);
        if (Math.sqrt(dlat * dlat + dlng * dlng) > kJumpDegrees) {
            pieces.push(new OrbitGrp(start, i - 1));
            start = i;
        }
    }
    pieces.push(new OrbitGrp(start, list.length - 1));
    return pieces;
};

OrbitGrpList.prototype.GetOrbitGroup = function (list) {
    this.orbitlist = this.pieces(list);
};

function removeLines(lines) {
    lines.forEach(function (line) {
        if (line)
            line.remove();
    });
}

function keep(lines, line) {
    if (line)
        lines.push(line);
}

OrbitGrpList.prototype.RemoveLineList = function () {
    removeLines(this.histline);
    removeLines(this.schline);
    this.histline = [];
    this.schline = [];
};

OrbitGrpList.prototype.CreateLine = function () {
    var self = this;
    g_lastJpgNum = -1;
    this.grplist.ReleasePoints();
    if (!g_map)
        return;
    var request = ++this.grpRequest;
    sample.JS2C_GetGPSData(function (data) {
        if (request !== self.grpRequest || !g_map || data === null || data === undefined)
            return;
        self.grplist.GetPoints(data);
        removeLines(self.grpline);
        self.grpline = [];
        self.pieces(self.grplist.points).forEach(function (piece) {
            keep(self.grpline, self.grplist.DrawGridLine(piece.start, piece.end + 1, "#FF0000", 0.5, 1));
        });
    });
};

OrbitGrpList.prototype.CreateGridLine = function (iGrid) {
    var self = this;
    g_lastJpgNum = -1;
    this.gridlist.ReleasePoints();
    this.orbitlist = [];
    if (!g_map)
        return;
    var request = ++this.gridRequest;
    sample.JS2C_GetGridData(0, function (data) {
        if (request !== self.gridRequest || !g_map || data === null || data === undefined)
            return;
        self.gridlist.GetPoints(data);
        self.GetOrbitGroup(self.gridlist.points);
        self.MoveMarker();
    });
};

// The current track's point at or before the playback position (-1: no position).
OrbitGrpList.prototype.GetIndex = function (done) {
    var self = this;
    sample.JS2C_GetRelJpgNum(function (text) {
        var jpgnum = Number(text);
        if (!isFinite(jpgnum) || jpgnum === -1) {
            done(-1);
            return;
        }
        g_lastJpgNum = jpgnum;
        var list = self.gridlist.JpgNumList;
        var index = list.length;
        for (var i = 0; i < list.length; i++) {
            if (jpgnum <= list[i]) {
                index = i;
                break;
            }
        }
        if (index > 0)
            index = Math.min(index - 1, list.length - 1);
        done(index);
    });
};

// Splits the current track at the position (driven part blue, the rest red) and moves the marker.
OrbitGrpList.prototype.MoveMarker = function (done) {
    var self = this;
    var finish = function () {
        if (done)
            done();
    };
    if (!g_map) {
        finish();
        return;
    }
    this.GetIndex(function (index) {
        guarded(function () {
            if (index < 0 || !g_map)
                return;
            self.RemoveLineList();
            var list = self.gridlist;
            self.orbitlist.forEach(function (piece) {
                if (piece.end <= index) {
                    keep(self.histline, list.DrawGridLine(piece.start, piece.end + 1, "#0000FF", 1.0, 2));
                } else if (piece.start < index) {
                    keep(self.histline, list.DrawGridLine(piece.start, index + 1, "#0000FF", 1.0, 2));
                    keep(self.schline, list.DrawGridLine(index, piece.end + 1, "#FF0000", 0.9, 2));
                } else {
                    keep(self.schline, list.DrawGridLine(piece.start, piece.end + 1, "#FF0000", 0.9, 2));
                }
            });
            if (index < list.points.length)
                loadMarker(list.points[index]);
            else if (validLatLng(g_newlat, g_newlng))
                loadMarker(L.latLng(g_newlat, g_newlng));
        });
        finish();
    });
};

// ---- Event icons ---------------------------------------------------------------------------------

function CrashPoint(marker, args) {
    this.marker = marker;
    this.icolor = args.icolor;
    this.lat = args.lat;
    this.lng = args.lng;
    this.valid = args.valid;
    this.speed = args.speed;
    this.direction = args.direction;
    this.levelx = args.levelx;
    this.levely = args.levely;
    this.levelz = args.levelz;
    this.ifile = args.ifile;
    this.igrid = args.igrid;
    this.ipos = args.ipos;
}

function CpList() {
    this.markers = [];
}

CpList.prototype.ClearCrashPos = function () {
    this.markers.forEach(function (cp) {
        cp.marker.remove();
    });
    this.markers = [];
};

CpList.prototype.AddCrashPos = function (icolor, levelx, levely, levelz, ifile, igrid, ipos, lat, lng, valid,
    speed, direction) {
    if (!g_map || !(icolor >= 0 && icolor < g_iconurl.length) || icolor !== Math.floor(icolor)
        || !validLatLng(lat, lng))
        return;
    var icon = L.icon({
        iconUrl: g_iconurl[icolor],
        iconSize: [32, 32],
        iconAnchor: [16, 32],
        shadowUrl: g_shadow,
        shadowSize: [49, 32],
        shadowAnchor: [16, 32]
    });
    var self = this;
    var marker = L.marker([lat, lng], { icon: icon, keyboard: false }).addTo(g_map);
    marker.on("click", function () {
        for (var i = 0; i < self.markers.length; i++) {
            if (self.markers[i].marker === marker) {
                self.SetCrashPos(i, null);
                break;
            }
        }
    });
    this.markers.push(new CrashPoint(marker, {
        icolor: icolor, levelx: levelx, levely: levely, levelz: levelz, ifile: ifile, igrid: igrid,
        ipos: ipos, lat: lat, lng: lng, valid: valid, speed: speed, direction: direction
    }));
};

// Seeks playback to the event; the marker follows where the application reports the position.
CpList.prototype.SetCrashPos = function (i, isfunc) {
    var cp = this.markers[i];
    if (!cp)
        return false;
    if (isfunc && isfunc(cp, cp.ipos))
        return true;
    sample.JS2C_OnClickCrashPoint(cp.ifile, cp.igrid, cp.ipos, cp.valid, cp.lat, cp.lng, cp.speed, cp.direction);
    ConnectTest(function (ok) {
        if (ok)
            orbitgrplist.MoveMarker();
    });
    return false;
};

var cplist = new CpList();
var orbitgrplist = new OrbitGrpList();

// ---- The once-a-second pass ----------------------------------------------------------------------

function show() {
    var rearmed = false;
    var next = function () {
        if (rearmed)
            return;
        rearmed = true;
        guarded(function () { sample.JS2C_SetSend(); });
        setTimeout(show, kShowPeriodMs);
    };
    guarded(function () {
        g_newlat = readNumber("map_lat");
        g_newlng = readNumber("map_lng");
        if (g_newlat < 1000.0 && g_newlng < 1000.0) {
            ConnectTest(function (ok) {
                guarded(function () {
                    var status = document.getElementById("map_status").value.toLowerCase();
                    if (ok && status !== "pause" && status !== "stop"
                        && ((g_newlng !== 0 && g_newlat !== 0) || g_lastJpgNum === -1)) {
                        orbitgrplist.MoveMarker(next);
                    } else {
                        next();
                    }
                }, next);
            });
        } else if (!g_isInit) {
            ConnectTest(function () {
                g_isInit = true;
                next();
            });
        } else {
            next();
        }
    }, next);
}

function onHostMessage(json) {
    var message;
    try {
        message = JSON.parse(json);
    } catch (e) {
        return;
    }
    if (!message || message.val_command !== "update")
        return;
    ["map_lat", "map_lng", "map_status"].forEach(function (key) {
        if (typeof message[key] === "string")
            document.getElementById(key).value = message[key];
    });
}

// What tests read back; nothing in the page depends on it.
function lineState(line) {
    return {
        color: line.options.color,
        opacity: line.options.opacity,
        weight: line.options.weight,
        z: line.options.zIndex,
        pane: line.options.pane,
        points: line.getLatLngs().map(function (p) { return [p.lat, p.lng]; })
    };
}

window.kivoraMap = {
    state: function () {
        return {
            hasMap: g_map !== null,
            grpline: orbitgrplist.grpline.map(lineState),
            histline: orbitgrplist.histline.map(lineState),
            schline: orbitgrplist.schline.map(lineState),
            marker: g_marker ? [g_marker.getLatLng().lat, g_marker.getLatLng().lng] : null,
            crash: cplist.markers.map(function (cp) {
                var o = cp.marker.options.icon.options;
                return { icon: o.iconUrl, shadow: o.shadowUrl, anchor: o.iconAnchor, shadowAnchor: o.shadowAnchor,
                    lat: cp.lat, lng: cp.lng, ipos: cp.ipos };
            }),
            offline: g_offlineNote ? g_offlineNote.classList.contains("kv-shown") : null,
            attribution: g_map ? g_map.attributionControl.getContainer().textContent : null,
            tilesLoaded: g_tileRound.loaded,
            status: document.getElementById("map_status").value,
            errors: kivoraErrors.slice()
        };
    },
    clickCrashPoint: function (i) {
        cplist.markers[i].marker.fire("click");
    },
    retryTiles: retryTiles,
    // Shows every track whole (for pictures of the page).
    fitTracks: function () {
        var all = orbitgrplist.grplist.points.concat(orbitgrplist.gridlist.points);
        if (g_map && all.length > 0)
            g_map.fitBounds(L.latLngBounds(all), { padding: [20, 20], animate: false });
    }
};

function initialize() {
    g_lastJpgNum = -1;
    new QWebChannel(qt.webChannelTransport, function (channel) {
        sample = channel.objects.sample;
        sample.webMessage.connect(onHostMessage);
        sample.networkReachable.connect(onNetworkReachable);
        show();
    });
}

window.addEventListener("load", function () { guarded(initialize); });
