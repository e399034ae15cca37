// Keeps the page's files so it opens without a network once loaded. A new version waits until
// the page's Reload button activates it.
"use strict";

const kCache = "quintrel-2.0-1";
const kFiles = ["./", "index.html", "style.css", "app.js", "port-session.js", "message-box.js",
  "identifier-field.js", "station.js", "serial-channel.js", "core-worker.js", "quintrel-core.js",
  "quintrel-core.wasm", "manifest.webmanifest", "icon.svg"];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((names) =>
    Promise.all(names.filter((name) => name !== kCache).map((name) => caches.delete(name)))));
});

self.addEventListener("message", (event) => {
  if (event.data === "activate") self.skipWaiting();
});

self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(caches.match(event.request, { ignoreSearch: true })
    .then((cached) => cached || fetch(event.request)));
});
