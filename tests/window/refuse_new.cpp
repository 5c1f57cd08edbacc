/*
 * Preloaded into the demo by the tests (LD_PRELOAD) to play a machine out of
 * memory: operator new refuses the allocation numbered REFUSE_NEW, counting
 * from 1, by throwing std::bad_alloc as the real one does when memory runs
 * out. At exit it writes "made N freed M" to the file REFUSE_NEW_REPORT: the
 * allocations that succeeded and the frees, both through new and delete.
 *
 * The graphics library, in C, takes its memory with malloc: REFUSE_MALLOC,
 * as SIZE:N, makes malloc refuse the Nth allocation of exactly SIZE bytes,
 * such as a bitmap's pixels, and return null as the real one does.
 */
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

extern "C" void *__libc_malloc(std::size_t size);   /* glibc's own */

static long allocations = 0;   /* calls of operator new, refused or not */
static long made = 0;
static long freed = 0;

static long refused_allocation()
{
   const char *n = std::getenv("REFUSE_NEW");
   return n ? std::atol(n) : 0;
}

static std::size_t malloc_calls = 0;   /* of the size refused */

/* Whether this call of malloc for size bytes is the one to refuse. */
static bool refused_malloc(std::size_t size)
{
   const char *refusal = std::getenv("REFUSE_MALLOC");   /* SIZE:N */
   if (!refusal)
      return false;
   char *rest = nullptr;
   const unsigned long refused_size = std::strtoul(refusal, &rest, 10);
   if (size != refused_size || *rest != ':')
      return false;
   return ++malloc_calls == std::strtoul(rest + 1, nullptr, 10);
}

extern "C" void *malloc(std::size_t size)
{
   if (refused_malloc(size)) {
      errno = ENOMEM;
      return nullptr;
   }
   return __libc_malloc(size);
}

void *operator new(std::size_t size)
{
   if (++allocations == refused_allocation())
      throw std::bad_alloc();
   void *p = std::malloc(size ? size : 1);
   if (!p)
      throw std::bad_alloc();
   made++;
   return p;
}

void operator delete(void *p) noexcept
{
   if (p)
      freed++;
   std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
   operator delete(p);
}

__attribute__((destructor)) static void report()
{
   const char *path = std::getenv("REFUSE_NEW_REPORT");
   if (!path)
      return;
   if (FILE *f = std::fopen(path, "w")) {
      std::fprintf(f, "made %ld freed %ld\n", made, freed);
      std::fclose(f);
   }
}
