// Only the installable copy (index.html beside its manifest) has this
// script: it hands the page to its service worker, which keeps it for play
// without a network. The single file asks nothing of the network.
if ("serviceWorker" in navigator) {
  window.addEventListener("load", () => {
    navigator.serviceWorker.register("service-worker.js").catch((error) => {
      console.warn(`Vexal will not play offline: ${error.message}`);
    });
  });
}
