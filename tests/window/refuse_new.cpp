/*
 * Preloaded into the demo by the tests (LD_PRELOAD) to play a machine out of
 * memory: operator new refuses the allocation numbered REFUSE_NEW, counting
 * from 1, by throwing std::bad_alloc as the real one does when memory runs
 * out. At exit it writes "made N freed M" to the file REFUSE_NEW_REPORT: the
 * allocations that succeeded and the frees, both through new and delete.
 */
#include <cstdio>
#include <cstdlib>
#include <new>

static long allocations = 0;   /* calls of operator new, refused or not */
static long made = 0;
static long freed = 0;

static long refused_allocation()
{
   const char *n = std::getenv("REFUSE_NEW");
   return n ? std::atol(n) : 0;
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
