/* qelzopd: the daemon of QEL Zonal Outpost Probe Server.
 *
 *   qelzopd -f [-c FILE] [-r DIR]   run in the foreground until SIGTERM or SIGINT
 *                                   (DIR absolute: a detached daemon leaves its
 *                                   working directory)
 *   qelzopd [-c FILE] [-r DIR]      detach and run in the background
 *   qelzopd --version
 *
 * Every probe interval (key "probe_interval" of the configuration file, in
 * seconds) it records a heartbeat line on standard output, or in the system
 * log when detached. While it runs, its process id stands in the file
 * qelzopd.pid of the run directory DIR (by default <root>/run of its
 * installation), so that zop-uninstall stops this process and no other. */
#include <errno.h>
#include <libintl.h>
#include <locale.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#define VERSION "2.00"
#define DEFAULT_INTERVAL 60

/* Texts of the product's own domain, with the catalogues of the installation. */
#define _(s) dgettext("zop", s)

static int foreground;

static void say(int priority, const char* fmt, const char* arg) {
    if (foreground) {
        printf("qelzopd: ");
        printf(fmt, arg);
        printf("\n");
        fflush(stdout);
    } else {
        syslog(priority, fmt, arg);
    }
}

/* <root>/<relative>, where the program is <root>/sbin/qelzopd. */
static void rootPath(char* buf, size_t size, const char* relative) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    buf[0] = '\0';
    if (n <= 0)
        return;
    exe[n] = '\0';
    char* slash = strrchr(exe, '/');
    if (slash != NULL)
        *slash = '\0';
    slash = strrchr(exe, '/');
    if (slash != NULL)
        *slash = '\0';
    int len = snprintf(buf, size, "%s/%s", exe, relative);
    if (len < 0 || (size_t)len >= size)
        buf[0] = '\0';
}

static char pid_file[4096];

/* Written beside its final name and renamed, so that a reader never sees a
 * partial number. */
static int writePidFile(const char* run_dir) {
    char temp[4096 + 16];
    if (mkdir(run_dir, 0755) != 0 && errno != EEXIST)
        return -1;
    int len = snprintf(pid_file, sizeof pid_file, "%s/qelzopd.pid", run_dir);
    if (len < 0 || (size_t)len >= sizeof pid_file)
        return -1;
    snprintf(temp, sizeof temp, "%s.new", pid_file);
    FILE* f = fopen(temp, "w");
    if (f == NULL)
        return -1;
    int ok = fprintf(f, "%ld\n", (long)getpid()) > 0;
    ok = fclose(f) == 0 && ok;
    if (!ok || rename(temp, pid_file) != 0) {
        unlink(temp);
        return -1;
    }
    return 0;
}

/* Only a file that still names this process is removed: a later instance
 * may have replaced it. */
static void removePidFile(void) {
    FILE* f = fopen(pid_file, "r");
    if (f == NULL)
        return;
    long pid = 0;
    int found = fscanf(f, "%ld", &pid) == 1;
    fclose(f);
    if (found && pid == (long)getpid())
        unlink(pid_file);
}

/* Lines "key = value"; '#' starts a comment. */
static long readInterval(const char* path) {
    FILE* f = fopen(path, "r");
    if (f == NULL)
        return DEFAULT_INTERVAL;
    char line[512];
    long interval = DEFAULT_INTERVAL;
    while (fgets(line, sizeof line, f) != NULL) {
        long value;
        if (sscanf(line, " probe_interval = %ld", &value) == 1 && value > 0)
            interval = value;
    }
    fclose(f);
    return interval;
}

static int usage(void) {
    fputs(_("usage: qelzopd [-f] [-c FILE] [-r DIR] | --version\n"), stderr);
    return 2;
}

/* The catalogues: those of QEL_I18N_DIR, else <root>/i18n. */
static void setupTranslations(void) {
    setlocale(LC_ALL, "");
    char dir[4096];
    const char* chosen = getenv("QEL_I18N_DIR");
    if (chosen == NULL) {
        rootPath(dir, sizeof dir, "i18n");
        chosen = dir;
    }
    if (chosen[0] != '\0') {
        bindtextdomain("zop", chosen);
        bind_textdomain_codeset("zop", "UTF-8");
    }
}

int main(int argc, char** argv) {
    setupTranslations();
    char config[4096];
    char run_dir[4096];
    rootPath(config, sizeof config, "etc/zop.conf");
    rootPath(run_dir, sizeof run_dir, "run");
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--version") == 0) {
            printf("qelzopd (QEL Zonal Outpost Probe Server) " VERSION "\n");
            return 0;
        } else if (strcmp(argv[i], "-f") == 0) {
            foreground = 1;
        } else if (strcmp(argv[i], "-c") == 0 && i + 1 < argc) {
            snprintf(config, sizeof config, "%s", argv[++i]);
        } else if (strcmp(argv[i], "-r") == 0 && i + 1 < argc && argv[i + 1][0] == '/') {
            snprintf(run_dir, sizeof run_dir, "%s", argv[++i]);
        } else {
            return usage();
        }
    }
    long interval = readInterval(config);

    /* The signals are taken synchronously, so the loop below is the only
     * place that reacts to them. */
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, NULL);

    if (!foreground) {
        if (daemon(0, 0) != 0) {
            fprintf(stderr, "qelzopd: %s: %s\n", _("cannot detach"), strerror(errno));
            return 1;
        }
        openlog("qelzopd", LOG_PID, LOG_DAEMON);
    }
    if (run_dir[0] == '\0' || writePidFile(run_dir) != 0) {
        say(LOG_ERR, _("cannot write the pid file in %s"), run_dir);
        return 1;
    }
    char pid[32];
    snprintf(pid, sizeof pid, "%ld", (long)getpid());
    say(LOG_INFO, _("running as process %s"), pid);

    struct timespec wait = {interval, 0};
    unsigned long probes = 0;
    for (;;) {
        int sig = sigtimedwait(&stop, NULL, &wait);
        if (sig == SIGTERM || sig == SIGINT) {
            say(LOG_INFO, _("stopping on %s"), sig == SIGTERM ? "SIGTERM" : "SIGINT");
            removePidFile();
            return 0;
        }
        if (sig < 0 && errno != EAGAIN && errno != EINTR) {
            perror("qelzopd: sigtimedwait");
            removePidFile();
            return 1;
        }
        if (sig < 0 && errno == EAGAIN) {
            char count[32];
            snprintf(count, sizeof count, "%lu", ++probes);
            say(LOG_INFO, _("heartbeat %s"), count);
        }
    }
}
