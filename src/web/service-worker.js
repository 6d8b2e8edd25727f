// Keeps the app's files for play without a network. The cache is named for
// the release's own bytes: a new release's worker differs, fetches its files
// anew and drops the old ones; until then every file comes from the cache.
"use strict";
const CACHE = "vexal-@RELEASE@";
const FILES = @FILES@;

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE)
    // Past the browser's HTTP cache, which may still hold the release before.
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: "reload" }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith("vexal-") && name !== CACHE)
      .map((name) => caches.delete(name))))
    // The page that installed the worker is served by it from now on, without a reload.
    .then(() => self.clients.claim()));
});

self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(caches.open(CACHE)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(event.request)));
});
