/* Put before the runtime in a sanitized build's blobs.js (--pre-js). The
 * sanitizers read the program's stack through the runtime's map of
 * blobs.wasm, which the runtime makes only when it fetches and compiles the
 * program itself: Emscripten documents Module.instantiateWasm as not
 * supported with sanitizers. With the page's own (page.js), Emscripten
 * 3.1.69's runtime, its assertions on, stopped the program as soon as
 * AddressSanitizer recorded where a block was allocated. So the page's way
 * is dropped here, and the runtime fetches blobs.wasm from beside blobs.js;
 * the page's own fetch of it goes unused. */
delete Module['instantiateWasm'];
